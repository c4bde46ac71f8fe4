#include "pendingsave.h"

PendingSave::PendingSave(Encode encode_, Write write_, Report report_, int delay)
    : encode(std::move(encode_)), write(std::move(write_)), report(std::move(report_))
{
    timer.setSingleShot(true);
    timer.setInterval(delay);
    QObject::connect(&timer, &QTimer::timeout, [this] { run(); });
}

PendingSave::~PendingSave()
{
    {
        const std::lock_guard lock(mutex);
        stopping = true;
        next.reset();
    }
    wake.notify_one();
    if (writer.joinable())
        writer.join();
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
    const std::lock_guard lock(mutex);
    if (next) {
        next.reset();
        --awaiting;
    }
}

bool PendingSave::drain(std::chrono::milliseconds bound)
{
    cancel();
    // The caller's own save decides what is reported: outcomes still on their way are not.
    ignored = awaiting;
    std::unique_lock lock(mutex);
    return idle.wait_for(lock, bound, [this] { return !writing; });
}

void PendingSave::run()
{
    std::optional<Encoded> snapshot = encode();
    if (!snapshot)
        return;
    if (snapshot->failure) {
        judge(snapshot->failure);
        return;
    }
    {
        const std::lock_guard lock(mutex);
        // An overtaken snapshot yields no outcome of its own: only the newest is written.
        if (!next)
            ++awaiting;
        next = std::move(snapshot->bytes);
        if (!writer.joinable())
            writer = std::thread([this] { work(); });
    }
    wake.notify_one();
}

void PendingSave::finished(const std::optional<FileFailure> &failure)
{
    --awaiting;
    if (ignored > 0)
        --ignored;
    else
        judge(failure);
}

void PendingSave::judge(const std::optional<FileFailure> &failure)
{
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

void PendingSave::work()
{
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || next; });
        if (stopping)
            return;
        const QByteArray bytes = std::move(*next);
        next.reset();
        writing = true;
        lock.unlock();
        const std::optional<FileFailure> failure = write(bytes);
        // Queued to the owner's thread, where the timer lives.
        QMetaObject::invokeMethod(
            &timer, [this, failure] { finished(failure); }, Qt::QueuedConnection);
        lock.lock();
        writing = false;
        idle.notify_all();
    }
}
