#include "desktopnotifier.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QThread>
#include <QVariantMap>

#include <limits>

namespace {

const QString connectionName = QStringLiteral("zelka-notifications");
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
const QString busService = QStringLiteral("org.freedesktop.DBus");
const QString busPath = QStringLiteral("/org/freedesktop/DBus");

// libdbus reads the largest int as "no timeout": a slowly started server's id still comes.
constexpr int unbounded = std::numeric_limits<int>::max();
// How long quitting may wait for the ringing notice to be withdrawn.
constexpr int closeOnExitMs = 500;

enum Urgency : uchar { Normal = 1, Critical = 2 };

QDBusMessage call(const QString &method, const QString &to = service)
{
    return QDBusMessage::createMethodCall(to, path, interface, method);
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent, int boundMs) : Notifier(parent), boundMs(boundMs)
{}

DesktopNotifier::~DesktopNotifier()
{
    if (connector) {
        // A bus that never answers holds the thread: let it end with the process.
        connector->disconnect(this);
        connector = nullptr;
    }
    if (ready() && ringingId != 0) {
        // Quitting while it rings: withdraw the notice, waiting a bounded moment for it.
        QDBusMessage m = call(QStringLiteral("CloseNotification"), ringingOwner);
        m << ringingId;
        bus().asyncCall(m, closeOnExitMs).waitForFinished();
    }
}

QDBusConnection DesktopNotifier::bus() const
{
    return QDBusConnection(connectionName);
}

bool DesktopNotifier::ready() const
{
    return state == Bus::Up && capabilitiesKnown && owner.has_value();
}

void DesktopNotifier::showRinging(const Notice &notice)
{
    ++ringingGeneration;
    withdraw();
    ringingWanted = notice;
    ringingSent = false;
    connectToBus();
    sendPending();
}

void DesktopNotifier::addToRinging(const QString &line)
{
    if (!ringingWanted)
        return;
    ringingWanted->body += ringingWanted->body.isEmpty() ? line : QLatin1Char('\n') + line;
    // Already on screen: the server replaces it in place.
    if (ringingId != 0 && ready())
        notify(*ringingWanted, true, ringingId);
}

void DesktopNotifier::endRinging()
{
    ++ringingGeneration;
    ringingWanted.reset();
    ringingSent = false;
    withdraw();
}

void DesktopNotifier::inform(const Notice &notice)
{
    informPending.append(notice);
    connectToBus();
    sendPending();
}

void DesktopNotifier::connectToBus()
{
    // The bus went away since, and its server with it: start over with a new connection.
    if (state == Bus::Up && !bus().isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName);
        state = Bus::None;
        capabilitiesKnown = false;
        owner.reset();
        ringingSent = false;
        ringingId = 0;
        ringingOwner.clear();
    }
    if (state != Bus::None)
        return;
    state = Bus::Connecting;
    // Connecting waits for the bus daemon's answer: never on the GUI thread.
    connector = QThread::create(
        [] { QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName); });
    connect(connector, &QThread::finished, this, &DesktopNotifier::onConnectAttemptDone);
    connect(connector, &QThread::finished, connector, &QObject::deleteLater);
    connector->start();
}

void DesktopNotifier::onConnectAttemptDone()
{
    connector = nullptr;
    QDBusConnection connection = bus();
    if (!connection.isConnected()) {
        // No bus: the notices are lost, and the next one tries again.
        QDBusConnection::disconnectFromBus(connectionName);
        state = Bus::None;
        ringingSent = ringingWanted.has_value();
        informPending.clear();
        Q_EMIT settled();
        return;
    }
    state = Bus::Up;
    // Any sender: filtering on the service's owner makes QtDBus ask the bus with a blocking
    // call. Each slot checks the sender itself.
    connection.connect(QString(), path, interface, QStringLiteral("ActionInvoked"), this,
                       SLOT(onActionInvoked(uint, QString, QDBusMessage)));
    connection.connect(QString(), path, interface, QStringLiteral("NotificationClosed"), this,
                       SLOT(onNotificationClosed(uint, uint, QDBusMessage)));
    connection.connect(QString(), busPath, busService, QStringLiteral("NameOwnerChanged"),
                       QStringList{service}, QString(), this,
                       SLOT(onOwnerChanged(QString, QString, QString, QDBusMessage)));
    // Asked after the watch above is set, so no change of owner falls between the two.
    QDBusMessage ask = QDBusMessage::createMethodCall(busService, busPath, busService,
                                                      QStringLiteral("GetNameOwner"));
    ask << service;
    auto *asked = new QDBusPendingCallWatcher(connection.asyncCall(ask, boundMs), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<QString> reply = *w;
        w->deleteLater();
        onOwner(reply.isError() ? QString() : reply.value());
    });
    auto *watcher = new QDBusPendingCallWatcher(
        connection.asyncCall(call(QStringLiteral("GetCapabilities")), boundMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<QStringList> reply = *w;
        w->deleteLater();
        onCapabilities(!reply.isError() && reply.value().contains(QStringLiteral("body-markup")));
    });
}

void DesktopNotifier::onCapabilities(bool markup)
{
    capabilitiesKnown = true;
    bodyMarkup = markup;
    sendPending();
}

void DesktopNotifier::onOwnerChanged(const QString &name, const QString &, const QString &newOwner,
                                     const QDBusMessage &message)
{
    // Only the bus itself says who owns a name.
    if (message.service() == busService && name == service)
        onOwner(newOwner);
}

void DesktopNotifier::onOwner(const QString &newOwner)
{
    owner = newOwner;
    if (ringingId != 0 && ringingOwner != newOwner) {
        // Its id means nothing to the new server: withdraw it where it was shown, and
        // show it again on the new one.
        close(ringingId, ringingOwner);
        ringingId = 0;
        ringingOwner.clear();
        ringingSent = false;
    } else if (ringingId == 0 && ringingSent && !sentTo.isEmpty() && sentTo != newOwner) {
        // Asked of a server that has gone: an answer that still comes is closed there.
        ringingSent = false;
    }
    sendPending();
}

void DesktopNotifier::sendPending()
{
    if (!ready())
        return;
    if (ringingWanted && !ringingSent) {
        ringingSent = true;
        sentTo = *owner;
        notify(*ringingWanted, true);
    }
    for (const Notice &notice : std::as_const(informPending))
        notify(notice, false);
    informPending.clear();
}

void DesktopNotifier::notify(const Notice &notice, bool ringing, uint replaces)
{
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(uchar(ringing ? Critical : Normal)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("zelka"));
    const QStringList actions =
        ringing ? QStringList{QStringLiteral("stop"),
                              QCoreApplication::translate("DesktopNotifier", "停止"),
                              QStringLiteral("snooze"),
                              QCoreApplication::translate("DesktopNotifier", "贪睡")}
                : QStringList{};
    // A server that reads markup would read a typed "<" as markup: plain text stays plain.
    const QString body = bodyMarkup ? notice.body.toHtmlEscaped() : notice.body;
    // A replacement goes to the server that gave the id, never to whoever owns the name now.
    QDBusMessage m = call(QStringLiteral("Notify"), replaces != 0 ? ringingOwner : service);
    m << QStringLiteral("Zelka!") << replaces << QStringLiteral("zelka") << notice.summary << body
      << actions << hints << int(ringing ? 0 : -1);
    if (!ringing) {
        ++informsInFlight;
        auto *watcher = new QDBusPendingCallWatcher(bus().asyncCall(m, boundMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            if (--informsInFlight == 0 && informPending.isEmpty())
                Q_EMIT settled();
        });
        return;
    }
    // Each new ask makes the answers to the older ones stale.
    if (replaces == 0)
        ++ringingGeneration;
    const uint64_t generation = ringingGeneration;
    auto *watcher = new QDBusPendingCallWatcher(bus().asyncCall(m, unbounded), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, replaces, sent = notice.body](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                onRingingReply(w->reply(), generation, replaces, sent);
            });
}

void DesktopNotifier::onRingingReply(const QDBusMessage &reply, uint64_t generation, uint replaces,
                                     const QString &body)
{
    const bool stillWanted = generation == ringingGeneration && ringingWanted;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        // Nothing shown: the next owner of the name is asked again.
        if (replaces == 0 && stillWanted)
            ringingSent = false;
        return;
    }
    const uint id = reply.arguments().constFirst().toUInt();
    const QString from = reply.service();
    if (replaces != 0) {
        if (stillWanted && ringingId == replaces && ringingOwner == from)
            ringingId = id;
        else if (id != replaces)
            close(id, from);
        return;
    }
    if (!stillWanted || from != owner) {
        // The ringing ended, another began, or the server changed before it answered.
        close(id, from);
        return;
    }
    ringingId = id;
    ringingOwner = from;
    // A line added while the server was still answering.
    if (id != 0 && ringingWanted->body != body)
        notify(*ringingWanted, true, id);
}

void DesktopNotifier::withdraw()
{
    close(ringingId, ringingOwner);
    ringingId = 0;
    ringingOwner.clear();
}

void DesktopNotifier::close(uint id, const QString &to)
{
    if (id == 0 || to.isEmpty())
        return;
    QDBusMessage m = call(QStringLiteral("CloseNotification"), to);
    m << id;
    auto *watcher = new QDBusPendingCallWatcher(bus().asyncCall(m, boundMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
}

bool DesktopNotifier::fromServer(uint id, const QDBusMessage &message) const
{
    // Any program may send these signals: only the server that gave the id is heard.
    return id != 0 && id == ringingId && message.service() == ringingOwner;
}

void DesktopNotifier::onActionInvoked(uint id, const QString &action, const QDBusMessage &message)
{
    if (!fromServer(id, message))
        return;
    if (action == QLatin1String("stop"))
        Q_EMIT stopRequested();
    else if (action == QLatin1String("snooze"))
        Q_EMIT snoozeRequested();
}

void DesktopNotifier::onNotificationClosed(uint id, uint, const QDBusMessage &message)
{
    // Dismissed by the user: the alarm rings on, with nothing left to withdraw.
    if (fromServer(id, message)) {
        ringingId = 0;
        ringingOwner.clear();
    }
}
