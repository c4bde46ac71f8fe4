#pragma once

#include <QObject>
#include <QSocketNotifier>

// Turns SIGTERM, SIGINT and SIGHUP into a signal on the event loop. The handler itself only
// writes one byte to a pipe; all real work happens afterwards, outside the handler.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    SignalWatcher();
    ~SignalWatcher() override;

Q_SIGNALS:
    void received(int signo);

private:
    void drain();

    QSocketNotifier *notifier = nullptr;
};
