#include "desktopnotifier.h"
#include "notificationbus.h"

#include <QTest>

class TestDesktopNotifier : public QObject
{
    Q_OBJECT

    NotificationBus bus;

private Q_SLOTS:
    void initTestCase()
    {
        if (!bus.start())
            QSKIP("no dbus-daemon here");
    }
    void init() { bus.logs.clear(), bus.restartServer(); }

    // Steps: ring, line, end; slow (ringing notices answered after the calls' bound); seen
    // (the server has been asked once more); restart; stop, snooze (chosen on the server);
    // forge, forgeclose (another program sends the server's signal, the server snoozes).
    void ringingNoticeStaysWithItsServer_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("late id kept") << "slow ring seen snooze" << QStringList{"n c1 i"};
        QTest::newRow("late id after the end") << "slow ring seen end" << QStringList{"n i c1"};
        QTest::newRow("older ringing's late id")
            << "slow ring seen ring seen snooze" << QStringList{"n n c1 c2 i"};
        QTest::newRow("line while asked")
            << "slow ring seen line snooze" << QStringList{"n r c1 i"};
        QTest::newRow("restarted") << "ring seen restart seen snooze" << QStringList{"n", "n c1 i"};
        QTest::newRow("stop") << "ring seen stop" << QStringList{"n c1 i"};
        QTest::newRow("forged stop") << "ring seen snooze forge" << QStringList{"n c1 i"};
        QTest::newRow("forged close") << "ring seen snooze forgeclose" << QStringList{"n c1 i"};
    }
    void ringingNoticeStaysWithItsServer()
    {
        QFETCH(QString, steps);
        QFETCH(QStringList, calls);
        constexpr int boundMs = 400;
        DesktopNotifier notifier(nullptr, boundMs);
        int stops = 0, stopped = 0, snoozes = 0, snoozed = 0;
        uint seen = 0;
        QObject::connect(&notifier, &Notifier::stopRequested, [&] { ++stops; });
        QObject::connect(&notifier, &Notifier::snoozeRequested, [&] { ++snoozes; });
        const Notice notice{QStringLiteral("闹钟 07:30"), QString()};
        for (const QString &step : steps.split(' ')) {
            const uint id = bus.lastId();
            const auto forged = [&](const char *name, const QVariant &arg) {
                QDBusConnection::sessionBus().send(
                    QDBusMessage::createSignal(bus.path, bus.service, name) << id << arg);
            };
            if (step == "ring")
                notifier.showRinging(notice);
            else if (step == "line")
                notifier.addToRinging(QStringLiteral("x"));
            else if (step == "end")
                notifier.endRinging();
            else if (step == "slow")
                bus.mock("AddMethod", {bus.service, "Notify", "susssasa{sv}i", "u",
                                       QString("import time\nif args[7] == 0: time.sleep(%1)\n"
                                               "ret = args[1] or self.next_id\n"
                                               "self.next_id += not args[1]")
                                           .arg(3 * boundMs / 1000.0)});
            else if (step == "restart")
                bus.restartServer(), seen = 0;
            else if (step == "seen")
                ++seen;
            else if (step == "forge")
                forged("ActionInvoked", "stop");
            else if (step == "forgeclose")
                forged("NotificationClosed", 2u);
            QTRY_VERIFY(bus.lastId() >= seen);
            // What the server sends comes after what was forged before it.
            if (step == "stop" || step == "snooze" || step.startsWith("forge")) {
                bus.mock("EmitSignal", {bus.service, "ActionInvoked", "us",
                                        QVariantList{id, step == "stop" ? "stop" : "snooze"}});
                step == "stop" ? ++stopped : ++snoozed;
            }
            QTRY_COMPARE(snoozes, snoozed);
            QTRY_COMPARE(stops, stopped);
        }
        notifier.endRinging();
        int settled = 0;
        QObject::connect(&notifier, &Notifier::settled, [&] { ++settled; });
        notifier.inform(notice);
        // A quit waits for this before the process goes.
        QVERIFY(notifier.busy());
        QTRY_COMPARE(settled, 1);
        QVERIFY(!notifier.busy());
        QTRY_COMPARE(bus.calls(), calls);
    }
};

QTEST_GUILESS_MAIN(TestDesktopNotifier)
#include "tst_desktopnotifier.moc"
