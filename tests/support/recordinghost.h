#pragma once

#include "clockwork.h"
#include "facehost.h"

#include <QList>

#include <map>

// Records what the clockwork asks of its window, keeps the timers it started and, once
// listening, what its signals told.
class RecordingHost : public FaceHost
{
public:
    using Buffer = Skin::Buffer;
    using Bitmap = Skin::Bitmap;
    struct Copy {
        Skin::Buffer target;
        Skin::Bitmap source; // bitmapCount for a black fill
        QPoint sourceAt;
        QRect dest;
        bool toWindow;
    };
    QList<Copy> copies;
    QList<Buffer> shown;
    std::map<int, int> timers; // id -> period
    int flashes = 0;
    QList<QByteArray> messages;
    QList<std::pair<int, int>> ringingStarts; // (index, lateMinutes)
    int ringingEnds = 0;
    QList<QList<MissedAlarms::Occurrence>> missedReports;
    int alarmChanges = 0;
    int minutes = 0; // minute changes told

    void copy(Buffer target, Bitmap source, QPoint sourceAt, QRect dest, bool toWindow) override
    {
        copies.append({target, source, sourceAt, dest, toWindow});
    }
    void fillBlack(Buffer target, QRect dest, bool toWindow) override
    {
        copies.append({target, Skin::bitmapCount, {}, dest, toWindow});
    }
    void showWhole(Buffer buffer) override { shown.append(buffer); }
    void SetTimer(int id, int ms) override { timers[id] = ms; }
    void KillTimer(int id) override { timers.erase(id); }
    void FlashWindow() override { ++flashes; }

    void listenTo(Clockwork &works)
    {
        QObject::connect(&works, &Clockwork::ringingStarted, [this](int index, int late) {
            ringingStarts.append({index, late});
        });
        QObject::connect(&works, &Clockwork::ringingEnded, [this] { ++ringingEnds; });
        QObject::connect(&works, &Clockwork::alarmsMissed,
                         [this](const QList<MissedAlarms::Occurrence> &missed) {
                             missedReports.append(missed);
                         });
        QObject::connect(&works, &Clockwork::messageToShow,
                         [this](const QByteArray &message, int) { messages.append(message); });
        QObject::connect(&works, &Clockwork::alarmsChanged, [this] { ++alarmChanges; });
        QObject::connect(&works, &Clockwork::minuteChanged, [this] { ++minutes; });
    }

    QList<int> timerIds() const
    {
        QList<int> ids;
        for (const auto &[id, ms] : timers)
            ids.append(id);
        return ids;
    }
    // Destinations of the copies made to the window since the last clear.
    QList<QPoint> windowCopies() const
    {
        QList<QPoint> at;
        for (const Copy &c : copies)
            if (c.toWindow)
                at.append(c.dest.topLeft());
        return at;
    }
};
