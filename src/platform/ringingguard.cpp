#include "ringingguard.h"

#include "x11window.h"

#include <QCoreApplication>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QThread>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString logind = QStringLiteral("org.freedesktop.login1");
const QString screenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString playerPrefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString playerPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
// How long quitting while it rings may wait for the paused players to be resumed.
constexpr int quitBoundMs = 500;

} // namespace

RingingGuard::RingingGuard(QObject *parent, int boundMs) : QObject(parent), boundMs(boundMs)
{
    ringingLock.why = QCoreApplication::translate("RingingGuard", "闹钟正在响");
    holdOffLock.why = QCoreApplication::translate("RingingGuard", "闹钟即将响起");
}

RingingGuard::~RingingGuard()
{
    // Closing the fds is all logind needs; a player we paused is resumed on the way out,
    // waiting a bounded moment for the calls to leave.
    drop(ringingLock);
    drop(holdOffLock);
    QList<QDBusPendingCall> calls;
    for (const QString &owner : std::as_const(paused))
        calls.append(bus(session).asyncCall(QDBusMessage::createMethodCall(owner, playerPath,
                                                                           playerInterface,
                                                                           QStringLiteral("Play")),
                                            quitBoundMs));
    for (QDBusPendingCall &call : calls)
        call.waitForFinished();
}

void RingingGuard::ringingStarted()
{
    ringing = true;
    ++ringingGeneration;
    take(ringingLock);
    X11Window::wakeScreen();
    sessionDue = true;
    reach(session);
    if (session.state == State::Up) {
        sessionDue = false;
        wakeScreen(QStringLiteral("/org/freedesktop/ScreenSaver"), true);
        pausePlayers();
    }
}

void RingingGuard::ringingEnded()
{
    ringing = false;
    sessionDue = false;
    ++ringingGeneration;
    drop(ringingLock);
    // A hold-off released while the ringing's lock was on its way ends with the ringing.
    if (!holdOffLock.wanted)
        drop(holdOffLock);
    resumePlayers();
}

void RingingGuard::holdSleep()
{
    take(holdOffLock);
}

void RingingGuard::releaseSleep()
{
    holdOffLock.wanted = false;
    // Handed over to the ringing's lock once that one is held: no gap in between.
    if (!awaitingRingingLock())
        drop(holdOffLock);
}

bool RingingGuard::awaitingRingingLock() const
{
    return ringingLock.wanted && ringingLock.fd < 0 &&
           (ringingLock.asked || system.state == State::Connecting);
}

void RingingGuard::reach(Link &link)
{
    // The bus went away since: start over with a new connection.
    if (link.state == State::Up && !bus(link).isConnected()) {
        QDBusConnection::disconnectFromBus(link.name);
        link.state = State::None;
    }
    if (link.state != State::None)
        return;
    link.state = State::Connecting;
    // Connecting waits for the bus daemon's answer: never on the GUI thread.
    QThread *connector = QThread::create(
        [type = link.type, name = link.name] { QDBusConnection::connectToBus(type, name); });
    connect(connector, &QThread::finished, this, [this, &link] { onReached(link); });
    connect(connector, &QThread::finished, connector, &QObject::deleteLater);
    connector->start();
}

void RingingGuard::onReached(Link &link)
{
    const bool up = bus(link).isConnected();
    if (!up)
        QDBusConnection::disconnectFromBus(link.name);
    link.state = up ? State::Up : State::None;
    if (&link == &system) {
        for (Inhibitor *lock : {&ringingLock, &holdOffLock})
            if (up)
                ask(*lock);
        if (!up && !holdOffLock.wanted)
            drop(holdOffLock);
        return;
    }
    if (up && sessionDue && ringing) {
        wakeScreen(QStringLiteral("/org/freedesktop/ScreenSaver"), true);
        pausePlayers();
    }
    sessionDue = false;
}

void RingingGuard::take(Inhibitor &lock)
{
    lock.wanted = true;
    reach(system);
    ask(lock);
}

void RingingGuard::ask(Inhibitor &lock)
{
    if (!lock.wanted || lock.asked || lock.fd >= 0 || system.state != State::Up)
        return;
    lock.asked = true;
    QDBusMessage m = QDBusMessage::createMethodCall(
        logind, QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    m << QStringLiteral("sleep:idle") << QStringLiteral("Zelka!") << lock.why
      << QStringLiteral("block");
    auto *watcher = new QDBusPendingCallWatcher(bus(system).asyncCall(m, boundMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, &lock](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                onInhibited(lock, w->reply());
            });
}

void RingingGuard::onInhibited(Inhibitor &lock, const QDBusMessage &reply)
{
    lock.asked = false;
    const QDBusUnixFileDescriptor got =
        reply.type() == QDBusMessage::ReplyMessage
            ? reply.arguments().value(0).value<QDBusUnixFileDescriptor>()
            : QDBusUnixFileDescriptor();
    // Our own copy: the reply's goes with the reply.
    const int fd = got.isValid() ? ::fcntl(got.fileDescriptor(), F_DUPFD_CLOEXEC, 0) : -1;
    if (lock.wanted && lock.fd < 0)
        lock.fd = fd;
    else if (fd >= 0)
        ::close(fd); // the ringing ended, or the hold-off, before logind answered
    if (&lock == &ringingLock && !holdOffLock.wanted)
        drop(holdOffLock);
}

void RingingGuard::drop(Inhibitor &lock)
{
    lock.wanted = false;
    if (lock.fd >= 0)
        ::close(lock.fd);
    lock.fd = -1;
}

void RingingGuard::callAndForget(const QDBusMessage &message)
{
    auto *watcher = new QDBusPendingCallWatcher(bus(session).asyncCall(message, boundMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
}

void RingingGuard::wakeScreen(const QString &path, bool fallBack)
{
    // KDE and others answer at the older path only.
    QDBusMessage m = QDBusMessage::createMethodCall(screenSaver, path, screenSaver,
                                                    QStringLiteral("SimulateUserActivity"));
    auto *watcher = new QDBusPendingCallWatcher(bus(session).asyncCall(m, boundMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, fallBack](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QString error = w->reply().errorName();
                if (fallBack &&
                    (error == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
                     error == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod")))
                    wakeScreen(QStringLiteral("/ScreenSaver"), false);
            });
}

void RingingGuard::pausePlayers()
{
    const uint64_t generation = ringingGeneration;
    QDBusMessage m =
        QDBusMessage::createMethodCall(busService, QStringLiteral("/org/freedesktop/DBus"),
                                       busService, QStringLiteral("ListNames"));
    auto *watcher = new QDBusPendingCallWatcher(bus(session).asyncCall(m, boundMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                for (const QString &name : w->reply().arguments().value(0).toStringList())
                    if (name.startsWith(playerPrefix))
                        askStatus(name, generation);
            });
}

void RingingGuard::askStatus(const QString &player, uint64_t generation)
{
    QDBusMessage m = QDBusMessage::createMethodCall(
        player, playerPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    m << playerInterface << QStringLiteral("PlaybackStatus");
    auto *watcher = new QDBusPendingCallWatcher(bus(session).asyncCall(m, boundMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                const QDBusMessage reply = w->reply();
                const QString status =
                    reply.arguments().value(0).value<QDBusVariant>().variant().toString();
                // The unique name that answered: a player started again later is not ours.
                const QString owner = reply.service();
                if (generation != ringingGeneration || !ringing ||
                    status != QLatin1String("Playing") || owner.isEmpty() || paused.contains(owner))
                    return;
                paused.insert(owner);
                callAndForget(QDBusMessage::createMethodCall(owner, playerPath, playerInterface,
                                                             QStringLiteral("Pause")));
            });
}

void RingingGuard::resumePlayers()
{
    for (const QString &owner : std::as_const(paused))
        callAndForget(QDBusMessage::createMethodCall(owner, playerPath, playerInterface,
                                                     QStringLiteral("Play")));
    paused.clear();
}
