#pragma once

#include "settingsfile.h"

#include <QByteArray>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// Saves a short while after a change, so that a burst of edits is written once and every
// change is on disk well within a second. The owner's thread encodes a snapshot; a writer
// thread of its own, started at the first save and asleep between saves, does the disk
// work, so a slow disk never stalls the face. Writes are serialized and the newest
// snapshot wins: one that a newer one overtakes before it is written is dropped. A failed
// save is reported once, and again only after a save has succeeded in between; the
// program goes on either way.
class PendingSave
{
public:
    // The snapshot to write, or nothing when there is nothing to save any more.
    using Encode = std::function<std::optional<Encoded>()>;
    // Runs on the writer thread.
    using Write = std::function<std::optional<FileFailure>(const QByteArray &)>;
    using Report = std::function<void(const FileFailure &)>;

    static constexpr int delayMs = 200;

    PendingSave(Encode encode, Write write, Report report, int delay = delayMs);
    ~PendingSave();

    // A change to save: the first of a burst starts the wait, later ones ride along.
    void schedule();
    // Forgets a scheduled save and a snapshot not yet being written: the caller saves by
    // other means.
    void cancel();
    bool isScheduled() const { return timer.isActive(); }
    // Scheduled, or handed to the writer and its outcome not yet back.
    bool isBusy() const { return isScheduled() || awaiting > 0; }
    // Cancels, then waits up to bound for the write under way to end: afterwards the
    // caller alone touches the file. False when the write is still going on.
    bool drain(std::chrono::milliseconds bound);

private:
    void run();
    void finished(const std::optional<FileFailure> &failure);
    // The one-warning rule, for each save's outcome.
    void judge(const std::optional<FileFailure> &failure);
    void work();

    Encode encode;
    Write write;
    Report report;
    QTimer timer;
    bool reported = false;
    int ignored = 0;  // outcomes of writes a drain took over, the oldest ones to come back
    int awaiting = 0; // snapshots handed over whose outcome has not come back

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::optional<QByteArray> next; // the newest snapshot, not yet taken by the writer
    bool writing = false;
    bool stopping = false;
    std::thread writer;
};
