#pragma once

#include "settingsfile.h"

#include <QTimer>

#include <functional>
#include <optional>

// Saves a short while after a change, so that a burst of edits is written once and every
// change is on disk well within a second. A failed save is reported once, and again only
// after a save has succeeded in between; the program goes on either way.
class PendingSave
{
public:
    using Save = std::function<std::optional<FileFailure>()>;
    using Report = std::function<void(const FileFailure &)>;

    static constexpr int delayMs = 200;

    PendingSave(Save save, Report report);

    // A change to save: the first of a burst starts the wait, later ones ride along.
    void schedule();
    // Forgets a scheduled save: the caller saves by other means.
    void cancel();
    bool isScheduled() const { return timer.isActive(); }

private:
    void run();

    Save save;
    Report report;
    QTimer timer;
    bool reported = false;
};
