#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

// A private session bus for the whole test program (libdbus reads its address once), with
// python3-dbusmock's notification server on it. The program's own connection stands for
// any other program on the bus.
class NotificationBus
{
public:
    static inline const QString service = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString path = QStringLiteral("/org/freedesktop/Notifications");

    ~NotificationBus()
    {
        for (QProcess *p : {&server, &daemon})
            p->kill(), p->waitForFinished();
    }
    bool start()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1",
                                     "--address=unix:path=" + dir.filePath("bus")});
        if (!daemon.waitForReadyRead(10000))
            return false;
        qputenv("DBUS_SESSION_BUS_ADDRESS", daemon.readLine().trimmed());
        return QDBusConnection::sessionBus().isConnected();
    }
    // A new server, with a log of its own, takes the name once the running one is killed.
    void restartServer()
    {
        server.kill(), server.waitForFinished();
        logs << dir.filePath(QString::number(++started));
        server.start("/usr/bin/python3", {"-m", "dbusmock", "--session", "-t",
                                          "notification_daemon", "-l", logs.last()});
        QTRY_VERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(service));
    }
    // What each server of the row was asked, oldest first: n a ringing notice, i a plain one,
    // r a replacement, c1 the withdrawal of id 1.
    QStringList calls() const
    {
        static const QRegularExpression call(
            R"(Notify "Zelka!" (\d+) .* (-?\d)$|CloseNotification (\d+)$)",
            QRegularExpression::MultilineOption);
        QStringList servers;
        for (const QString &name : logs) {
            QFile log(name);
            log.open(QIODevice::ReadOnly);
            QStringList asked;
            for (auto it = call.globalMatch(QString::fromUtf8(log.readAll())); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                asked << (m.hasCaptured(3)       ? "c" + m.captured(3)
                          : m.captured(1) != "0" ? "r"
                          : m.captured(2) == "0" ? "n"
                                                 : "i");
            }
            servers << asked.join(' ');
        }
        return servers;
    }
    // The last id the running server gave: it counts from 1.
    uint lastId() const { return uint(calls().constLast().count(QRegularExpression("[ni]"))); }
    // Asks the running server's mock interface, as EmitSignal or AddMethod.
    void mock(const QString &method, const QVariantList &args)
    {
        QDBusMessage m =
            QDBusMessage::createMethodCall(service, path, "org.freedesktop.DBus.Mock", method);
        m.setArguments(args);
        QCOMPARE(QDBusConnection::sessionBus().call(m).type(), QDBusMessage::ReplyMessage);
    }

    QStringList logs;

private:
    QTemporaryDir dir;
    QProcess daemon, server;
    int started = 0;
};
