#include "clockrig.h"
#include "fakewaketimer.h"
#include "recordingnotifier.h"
#include "wakeplanner.h"

#include <QSignalSpy>
#include <QTest>

class TestWakePlanner : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // After a resume at armed time + offset: whether sleep is held off, and what ends it.
    void holdsSleepOffOnlyAfterItsOwnWake_data()
    {
        QTest::addColumn<bool>("asleep");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("holds");
        QTest::addColumn<bool>("rings");
        QTest::newRow("woken by its timer, until the alarm rings") << true << 0 << true << true;
        QTest::newRow("woken by its timer, until the time is up") << true << 5 << true << false;
        QTest::newRow("resumed a little early") << true << -30 << true << false;
        QTest::newRow("resumed by hand an hour before") << true << -3600 << false << false;
        QTest::newRow("resumed after the alarm's minute") << true << 150 << false << false;
        QTest::newRow("no sleep: the armed minute simply comes") << false << 0 << false << false;
    }
    void holdsSleepOffOnlyAfterItsOwnWake()
    {
        QFETCH(bool, asleep);
        QFETCH(int, offset);
        QFETCH(bool, holds);
        QFETCH(bool, rings);
        ClockRig rig;
        FakeWakeTimer timer;
        RecordingNotifier notifier;
        WakePlanner plan(timer, rig.alarms, rig.settings, rig.clock, notifier, 50);
        QSignalSpy started(&plan, &WakePlanner::holdOffStarted);
        QSignalSpy ended(&plan, &WakePlanner::holdOffEnded);
        rig.alarms.SetInOrder(Alarm(7, 30));
        rig.startAt(2026, 5, 6, 23, 0, 0);
        plan.follow(rig.works);
        QVERIFY(timer.held);
        const int64_t armed = *timer.held;
        const int64_t gap = armed + offset - rig.clock.now();
        asleep ? rig.clock.suspendSeconds(gap) : rig.clock.advanceSeconds(gap);
        rig.tickSeconds(1);
        QCOMPARE(started.count(), int(holds));
        QCOMPARE(plan.holdingOff(), holds);
        QCOMPARE(ended.count(), 0);
        if (rings) {
            rig.tickSeconds(int(armed + 120 - rig.clock.now()));
            QCOMPARE(rig.host.ringingStarts.size(), 1);
            QCOMPARE(ended.count(), 1);
        }
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), int(holds), 1000);
        QVERIFY(!plan.holdingOff());
    }
};

QTEST_GUILESS_MAIN(TestWakePlanner)
#include "tst_wakeplanner.moc"
