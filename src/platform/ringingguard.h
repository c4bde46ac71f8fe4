#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QSet>
#include <QString>

#include <cstdint>

// What the desktop is asked while an alarm rings, and just before one: sleep held off by
// logind's block inhibitor on the system bus, the screen woken, and the media players on the
// session bus that were playing paused, then resumed when it ends. Nothing touches a bus
// before the first ring or the first hold; every call is asynchronous and bounded, and a
// missing logind, screensaver or player only leaves that part undone.
class RingingGuard : public QObject
{
    Q_OBJECT

public:
    explicit RingingGuard(QObject *parent = nullptr, int boundMs = 5000);
    ~RingingGuard() override;

    void ringingStarted();
    void ringingEnded();
    // Sleep waits until releaseSleep(), or for as long as a ringing begun meanwhile lasts.
    void holdSleep();
    void releaseSleep();

private:
    enum class State { None, Connecting, Up };
    struct Link {
        QDBusConnection::BusType type;
        QString name;
        State state = State::None;
    };
    // One block inhibitor: its fd, held only while it is wanted.
    struct Inhibitor {
        QString why;
        bool wanted = false;
        bool asked = false; // a call is out
        int fd = -1;
    };

    void reach(Link &link);
    void onReached(Link &link);
    void take(Inhibitor &lock);
    void ask(Inhibitor &lock);
    void onInhibited(Inhibitor &lock, const QDBusMessage &reply);
    void drop(Inhibitor &lock);
    bool awaitingRingingLock() const;
    void wakeScreen(const QString &path, bool fallBack);
    void pausePlayers();
    void askStatus(const QString &player, uint64_t generation);
    void resumePlayers();
    QDBusConnection bus(const Link &link) const { return QDBusConnection(link.name); }
    void callAndForget(const QDBusMessage &message);

    const int boundMs;
    Link system{QDBusConnection::SystemBus, QStringLiteral("zelka-ringing-system")};
    Link session{QDBusConnection::SessionBus, QStringLiteral("zelka-ringing-session")};
    Inhibitor ringingLock, holdOffLock;
    bool ringing = false;
    bool sessionDue = false;        // the screen and the players wait for the session bus
    uint64_t ringingGeneration = 0; // tells a late answer for an ended ringing apart
    QSet<QString> paused;           // players we paused, by their unique bus names
};
