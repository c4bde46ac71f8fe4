#include "pendingsave.h"

PendingSave::PendingSave(Save save_, Report report_)
    : save(std::move(save_)), report(std::move(report_))
{
    timer.setSingleShot(true);
    timer.setInterval(delayMs);
    QObject::connect(&timer, &QTimer::timeout, [this] { run(); });
}

void PendingSave::schedule()
{
    // Not restarted: a stream of edits must not put the save off indefinitely.
    if (!timer.isActive())
        timer.start();
}

void PendingSave::cancel()
{
    timer.stop();
}

void PendingSave::run()
{
    const std::optional<FileFailure> failure = save();
    if (!failure) {
        reported = false;
        return;
    }
    if (reported)
        return;
    // Set before reporting: the report may run an event loop in which another save fails.
    reported = true;
    report(*failure);
}
