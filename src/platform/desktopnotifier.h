#pragma once

#include "notifier.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>

#include <cstdint>
#include <optional>

class QThread;

// Notifications through the desktop's notification server on the session bus. Nothing
// touches the bus before the first notice; connecting runs on a thread of its own and
// every call is asynchronous, so a missing bus or a server that never answers costs the
// face nothing: the notices are simply not seen.
class DesktopNotifier : public QObject, public Notifier
{
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject *parent = nullptr);
    ~DesktopNotifier() override;

    void showRinging(const Notice &notice) override;
    void addToRinging(const QString &line) override;
    void endRinging() override;
    void inform(const Notice &notice) override;

private Q_SLOTS:
    // Bus signals reach only string-named slots: QtDBus has no other way to connect them.
    void onActionInvoked(uint id, const QString &action);
    void onNotificationClosed(uint id, uint reason);

private:
    enum class Bus { None, Connecting, Up };

    void connectToBus();
    void onConnectAttemptDone();
    void onCapabilities(bool bodyMarkup);
    void sendPending();
    void notify(const Notice &notice, bool ringing, uint replaces = 0);
    void close(uint id);
    bool ready() const;
    QDBusConnection bus() const;

    Bus state = Bus::None;
    bool capabilitiesKnown = false;
    bool bodyMarkup = false;
    QThread *connector = nullptr;

    std::optional<Notice> ringingWanted; // what should be on screen while it rings
    bool ringingSent = false;
    uint64_t ringingGeneration = 0; // tells a late reply for an older ringing apart
    uint ringingId = 0;             // the server's id for the one on screen; 0 none
    QList<Notice> informPending;
};
