#pragma once

#include "notifier.h"

#include <QList>

#include <optional>

// Notifications that show nothing: what is on screen and what was informed is kept.
class RecordingNotifier : public Notifier
{
public:
    void showRinging(const Notice &notice) override
    {
        ringing = notice;
        ++ringingShown;
    }
    void addToRinging(const QString &line) override
    {
        if (ringing)
            ringing->body += u'\n' + line;
    }
    void endRinging() override { ringing.reset(); }
    void inform(const Notice &notice) override { informed.append(notice); }

    std::optional<Notice> ringing; // the ringing notice on screen, if any
    int ringingShown = 0;
    QList<Notice> informed;
};
