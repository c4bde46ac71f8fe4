#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <functional>

// Turns SIGTERM, SIGINT and SIGHUP into a call on the event loop. The handler itself only
// writes one byte to a pipe; all real work happens afterwards, outside the handler.
class SignalWatcher : public QObject
{
public:
    explicit SignalWatcher(std::function<void(int)> onSignal);
    ~SignalWatcher() override;

private:
    void drain();

    std::function<void(int)> handler;
    QSocketNotifier *notifier = nullptr;
};
