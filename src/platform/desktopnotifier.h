#pragma once

#include "notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>

#include <cstdint>
#include <optional>

class QThread;

// Notifications through the desktop's notification server on the session bus. Nothing
// touches the bus before the first notice; connecting runs on a thread of its own and
// every call is asynchronous, so a missing bus or a server that never answers costs the
// face nothing: the notices are simply not seen.
class DesktopNotifier : public Notifier
{
    Q_OBJECT

public:
    // boundMs bounds every call but the ringing notice's, whose id is waited for as long
    // as it takes.
    explicit DesktopNotifier(QObject *parent = nullptr, int boundMs = 5000);
    ~DesktopNotifier() override;

    void showRinging(const Notice &notice) override;
    void addToRinging(const QString &line) override;
    void endRinging() override;
    void inform(const Notice &notice) override;
    bool busy() const override { return !informPending.isEmpty() || informsInFlight > 0; }

private Q_SLOTS:
    // Bus signals reach only string-named slots: QtDBus has no other way to connect them.
    void onActionInvoked(uint id, const QString &action, const QDBusMessage &message);
    void onNotificationClosed(uint id, uint reason, const QDBusMessage &message);
    void onOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner,
                        const QDBusMessage &message);

private:
    enum class Bus { None, Connecting, Up };

    void connectToBus();
    void onConnectAttemptDone();
    void onCapabilities(bool bodyMarkup);
    void onOwner(const QString &owner);
    void sendPending();
    void notify(const Notice &notice, bool ringing, uint replaces = 0);
    void onRingingReply(const QDBusMessage &reply, uint64_t generation, uint replaces,
                        const QString &body);
    void withdraw();
    void close(uint id, const QString &owner);
    bool fromServer(uint id, const QDBusMessage &message) const;
    bool ready() const;
    QDBusConnection bus() const;

    const int boundMs;
    Bus state = Bus::None;
    bool capabilitiesKnown = false;
    bool bodyMarkup = false;
    std::optional<QString> owner; // the service's owner, empty when none; unset until told
    QThread *connector = nullptr;

    std::optional<Notice> ringingWanted; // what should be on screen while it rings
    bool ringingSent = false;            // asked for, or on screen, at the present owner
    QString sentTo;                      // who owned the name when it was asked for
    uint64_t ringingGeneration = 0;      // tells a late reply for an older ask apart
    uint ringingId = 0;                  // the server's id for the one on screen; 0 none
    QString ringingOwner;                // the unique name that gave ringingId
    QList<Notice> informPending;
    int informsInFlight = 0; // asked of the server, not yet answered
};
