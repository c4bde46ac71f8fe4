#include "desktopnotifier.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QThread>
#include <QVariantMap>

namespace {

const QString connectionName = QStringLiteral("zelka-notifications");
const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

// Long enough for a busy desktop, short enough that nothing waits on a dead server.
constexpr int callTimeoutMs = 5000;
// How long quitting may wait for the ringing notice to be withdrawn.
constexpr int closeOnExitMs = 500;

enum Urgency : uchar { Normal = 1, Critical = 2 };

QDBusMessage call(const QString &method)
{
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject *parent) : QObject(parent) {}

DesktopNotifier::~DesktopNotifier()
{
    if (connector) {
        // A bus that never answers holds the thread: let it end with the process.
        connector->disconnect(this);
        connector = nullptr;
    }
    if (ready() && ringingId != 0) {
        // Quitting while it rings: withdraw the notice, waiting a bounded moment for it.
        QDBusMessage m = call(QStringLiteral("CloseNotification"));
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
    return state == Bus::Up && capabilitiesKnown;
}

void DesktopNotifier::showRinging(const Notice &notice)
{
    ++ringingGeneration;
    if (ringingId != 0)
        close(ringingId);
    ringingId = 0;
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
    if (ringingId != 0)
        close(ringingId);
    ringingId = 0;
}

void DesktopNotifier::inform(const Notice &notice)
{
    informPending.append(notice);
    connectToBus();
    sendPending();
}

void DesktopNotifier::connectToBus()
{
    // The bus went away since: start over with a new connection.
    if (state == Bus::Up && !bus().isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName);
        state = Bus::None;
        capabilitiesKnown = false;
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
        return;
    }
    state = Bus::Up;
    // Any sender: asking the bus who owns the service name would be a blocking call.
    connection.connect(QString(), path, interface, QStringLiteral("ActionInvoked"), this,
                       SLOT(onActionInvoked(uint, QString)));
    connection.connect(QString(), path, interface, QStringLiteral("NotificationClosed"), this,
                       SLOT(onNotificationClosed(uint, uint)));
    auto *watcher = new QDBusPendingCallWatcher(
        connection.asyncCall(call(QStringLiteral("GetCapabilities")), callTimeoutMs), this);
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

void DesktopNotifier::sendPending()
{
    if (!ready())
        return;
    if (ringingWanted && !ringingSent) {
        ringingSent = true;
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
    QDBusMessage m = call(QStringLiteral("Notify"));
    m << QStringLiteral("Zelka!") << replaces << QStringLiteral("zelka") << notice.summary << body
      << actions << hints << int(ringing ? 0 : -1);
    auto *watcher = new QDBusPendingCallWatcher(bus().asyncCall(m, callTimeoutMs), this);
    if (!ringing) {
        connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
        return;
    }
    const uint64_t generation = ringingGeneration;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher *w) {
                const QDBusPendingReply<uint> reply = *w;
                w->deleteLater();
                if (reply.isError())
                    return;
                // The ringing ended, or another began, before the server answered.
                if (generation != ringingGeneration || !ringingWanted)
                    close(reply.value());
                else
                    ringingId = reply.value();
            });
}

void DesktopNotifier::close(uint id)
{
    QDBusMessage m = call(QStringLiteral("CloseNotification"));
    m << id;
    auto *watcher = new QDBusPendingCallWatcher(bus().asyncCall(m, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, watcher, &QObject::deleteLater);
}

void DesktopNotifier::onActionInvoked(uint id, const QString &action)
{
    if (id == 0 || id != ringingId)
        return;
    if (action == QLatin1String("stop") && onStop)
        onStop();
    else if (action == QLatin1String("snooze") && onSnooze)
        onSnooze();
}

void DesktopNotifier::onNotificationClosed(uint id, uint)
{
    // Dismissed by the user: the alarm rings on, with nothing left to withdraw.
    if (id != 0 && id == ringingId)
        ringingId = 0;
}
