#include "alarmbuilder.h"
#include "alarmnotices.h"
#include "audiblecheck.h"
#include "fakeclock.h"
#include "missedalarms.h"
#include "nextring.h"
#include "nextwake.h"

#include <QDateTime>

#include <QTest>

#include <ctime>

Q_DECLARE_METATYPE(QList<AlarmEntry>)

class TestAlarmNotices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Berlin's rules, written out so that no time zone database is needed.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }

    void ringing_data()
    {
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<QByteArray>("message"); // GBK
        QTest::addColumn<int>("show");
        QTest::addColumn<int>("late");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("body");
        QTest::newRow("on time, with its message") << 7 << 30 << QByteArray("\xc6\xf0\xb4\xb2") << 1
                                                   << 0 << u"闹钟 07:30"_qs << u"起床"_qs;
        QTest::newRow("late, marked so") << 7 << 0 << QByteArray("Up") << 1 << 20
                                         << u"闹钟 07:00（晚了 20 分钟）"_qs << u"Up"_qs;
        QTest::newRow("a message switched off stays out")
            << 23 << 5 << QByteArray("secret") << 0 << 0 << u"闹钟 23:05"_qs << QString();
        QTest::newRow("markup is kept as typed")
            << 0 << 0 << QByteArray("<b>&") << 1 << 0 << u"闹钟 00:00"_qs << u"<b>&"_qs;
    }

    void ringing()
    {
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(QByteArray, message);
        QFETCH(int, show);
        QFETCH(int, late);
        QFETCH(QString, summary);
        QFETCH(QString, body);
        const Notice n =
            AlarmNotices::ringing(Alarm(hour, minute).message(message.constData(), show), late);
        QCOMPARE(n.summary, summary);
        QCOMPARE(n.body, body);
    }

    void missedListsEachWithItsTime()
    {
        AlarmList list;
        list.SetInOrder(Alarm(6, 45).message("Walk"));
        list.SetInOrder(Alarm(7, 0));
        list.SetInOrder(Alarm(7, 10).message("hidden", false));
        const Notice n = AlarmNotices::missed(list, {{0, 0}, {2, 0}, {1, 0}});
        QCOMPARE(n.summary, u"错过的闹钟"_qs);
        QCOMPARE(n.body, u"06:45 Walk\n07:10\n07:00"_qs);
    }

    // The next ringing, from a local start to a local minute ("": none rings). A skip or a
    // pause holds an alarm back to the midnight of `until` (local, "": not held back).
    void nextRing_data()
    {
        QTest::addColumn<QList<AlarmEntry>>("alarms");
        QTest::addColumn<QString>("until");   // for the first alarm
        QTest::addColumn<int>("snoozeDueIn"); // seconds; a snooze of the first alarm, 0: none
        QTest::addColumn<bool>("off");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("ring");
        QTest::addColumn<int>("index");
        const QString fri = u"2026-12-11 18:00"_qs; // a Friday
        const AlarmEntry weekdays = Alarm(7, 30).days(0x3E);
        const QList<AlarmEntry> daily{Alarm(7, 30)};
        const auto row = [](const char *name, const QList<AlarmEntry> &alarms, const char *until,
                            const QString &from, const char *ring, int snooze = 0, int index = 0,
                            bool off = false) {
            QTest::newRow(name) << alarms << QString::fromLatin1(until) << snooze << off << from
                                << QString::fromLatin1(ring) << index;
        };
        row("daily", daily, "", fri, "2026-12-12 07:30 CET");
        row("later today", {Alarm(19, 0)}, "", fri, "2026-12-11 19:00 CET");
        row("the present minute has passed", {Alarm(18, 0)}, "", fri, "2026-12-12 18:00 CET");
        row("weekdays across a weekend", {weekdays}, "", fri, "2026-12-14 07:30 CET");
        row("the soonest of several", {weekdays, Alarm(18, 1).days(0x20), Alarm(23, 0)}, "", fri,
            "2026-12-11 18:01 CET", 0, 1);
        row("of one minute, the first listed", {Alarm(20, 0).message("first"), Alarm(20, 0)}, "",
            fri, "2026-12-11 20:00 CET");
        row("today's weekday, a week on", {Alarm(7, 0).days(0x20)}, "", fri,
            "2026-12-18 07:00 CET");
        row("once and done", {Alarm(19, 0).flags(3), Alarm(21, 0).flags(1)}, "", fri,
            "2026-12-11 21:00 CET", 0, 1);
        row("no weekday chosen", {Alarm(19, 0).days(0)}, "", fri, "");
        row("an hour no clock shows", {Alarm(24, 0), Alarm(19, 60)}, "", fri, "");
        row("skip today's", {Alarm(19, 0)}, "2026-12-12", fri, "2026-12-12 19:00 CET");
        row("skip tomorrow's", daily, "2026-12-13", fri, "2026-12-13 07:30 CET");
        row("skip Monday's across the weekend", {weekdays}, "2026-12-15", fri,
            "2026-12-15 07:30 CET");
        row("a skipped Saturday gives Sunday", {Alarm(9, 0).days(0x41)}, "2026-12-13", fri,
            "2026-12-13 09:00 CET");
        row("of two, the one not held back", {Alarm(7, 0), Alarm(8, 0)}, "2026-12-13", fri,
            "2026-12-12 08:00 CET", 0, 1);
        row("pause across a month's end", daily, "2027-02-02", u"2027-01-30 12:00"_qs,
            "2027-02-02 07:30 CET");
        row("pause across a year's end", {weekdays}, "2027-01-02", u"2026-12-20 12:00"_qs,
            "2027-01-04 07:30 CET");
        row("a pause months long", {Alarm(7, 0).days(0x02)}, "2027-06-01", fri,
            "2027-06-07 07:00 CEST");
        row("alarms off, snooze and all", daily, "", fri, "", 600, 0, true);
        row("a snooze earlier than the next alarm", daily, "", fri, "2026-12-11 18:10 CET", 600);
        row("a snooze of a skipped alarm still rings", daily, "2026-12-13", fri,
            "2026-12-11 18:10 CET", 600);
        row("summer time's start: the skipped minute rings at the jump", {Alarm(2, 30)}, "",
            u"2027-03-27 18:00"_qs, "2027-03-28 03:00 CEST");
        row("summer time's end: the repeated minute rings the first time", {Alarm(2, 30)}, "",
            u"2026-10-24 18:00"_qs, "2026-10-25 02:30 CEST");
        row("after the clock was set back across midnight", daily, "", u"2026-12-10 23:00"_qs,
            "2026-12-11 07:30 CET");
    }

    void nextRing()
    {
        QFETCH(QList<AlarmEntry>, alarms);
        QFETCH(QString, until);
        QFETCH(int, snoozeDueIn);
        QFETCH(bool, off);
        QFETCH(QString, from);
        QFETCH(QString, ring);
        QFETCH(int, index);
        const auto local = [](const QString &text) {
            return QDateTime::fromString(text, u"yyyy-MM-dd HH:mm"_qs).toSecsSinceEpoch();
        };
        AlarmList list;
        for (const AlarmEntry &a : alarms)
            list.SetAtGrow(list.GetSize(), a);
        if (!until.isEmpty())
            list[0].notBefore = local(until + u" 00:00"_qs);
        Settings settings;
        settings.alarmsDisabled = off;
        const int64_t now = local(from);
        QList<Clockwork::Snoozed> snoozed;
        if (snoozeDueIn)
            snoozed.append({list[0].minuteOfDay(), now + snoozeDueIn, 600, 0});
        const std::optional<NextRing::Next> next = NextRing::next(list, settings, snoozed, now);
        QCOMPARE(
            next ? QDateTime::fromSecsSinceEpoch(next->minute).toString(u"yyyy-MM-dd HH:mm t"_qs)
                 : QString(),
            ring);
        if (next)
            QCOMPARE(next->index, index);
        if (!next || next->snooze)
            return;
        // The clockwork rings an alarm at that minute, and a quit names this one's own time.
        const MissedAlarms::Decision d =
            MissedAlarms::decide(list, settings, now + 60, next->minute, INT64_MIN);
        QCOMPARE(d.rings.minute, next->minute);
        // And none before it, held back or not: the last day up to the minute before.
        const MissedAlarms::Decision before =
            MissedAlarms::decide(list, settings, now + 60, next->minute - 60, INT64_MIN);
        QCOMPARE(before.rings.index, -1);
        QVERIFY(before.reported.isEmpty());
        QCOMPARE(
            AlarmNotices::notRinging(list[index]).summary,
            u"Zelka! 已退出：下一个闹钟 %1:%2 不会响"_qs.arg(list[index].hour, 2, 10, QChar(u'0'))
                .arg(list[index].minute, 2, 10, QChar(u'0')));
    }

    // When a suspended machine wakes, from a start and to a wake both in UTC ("": none).
    void nextWake_data()
    {
        QTest::addColumn<QList<AlarmEntry>>("alarms");
        QTest::addColumn<int>("snoozedMinute"); // the snoozed alarm's minute of day; -1: none
        QTest::addColumn<int>("snoozeDueIn");   // seconds from the start
        QTest::addColumn<bool>("off");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("wake");
        const QString friday = u"2026-12-11T17:00:00Z"_qs; // 18:00 local
        const QList<AlarmEntry> daily{Alarm(7, 30)};
        QTest::newRow("daily") << daily << -1 << 0 << false << friday << u"2026-12-12T06:28:00Z"_qs;
        QTest::newRow("weekdays across a weekend")
            << QList<AlarmEntry>{Alarm(7, 30).days(0x3E)} << -1 << 0 << false << friday
            << u"2026-12-14T06:28:00Z"_qs;
        QTest::newRow("once and done gives way")
            << QList<AlarmEntry>{Alarm(19, 0).flags(3), Alarm(21, 0).flags(1)} << -1 << 0 << false
            << friday << u"2026-12-11T19:58:00Z"_qs;
        QTest::newRow("a snooze earlier than the next alarm")
            << daily << 450 << 600 << false << friday << u"2026-12-11T17:08:00Z"_qs;
        QTest::newRow("a snooze inside its lead gives way")
            << daily << 450 << 60 << false << friday << u"2026-12-12T06:28:00Z"_qs;
        QTest::newRow("a snooze of an alarm since removed")
            << QList<AlarmEntry>{Alarm(8, 0)} << 450 << 600 << false << friday
            << u"2026-12-12T06:58:00Z"_qs;
        QTest::newRow("alarms off, snooze and all")
            << daily << 450 << 600 << true << friday << QString();
        QTest::newRow("no alarm") << QList<AlarmEntry>{} << -1 << 0 << false << friday << QString();
        QTest::newRow("across summer time's end")
            << QList<AlarmEntry>{Alarm(7, 0)} << -1 << 0 << false << u"2026-10-24T20:00:00Z"_qs
            << u"2026-10-25T05:58:00Z"_qs;
        QTest::newRow("across summer time's start")
            << QList<AlarmEntry>{Alarm(7, 0)} << -1 << 0 << false << u"2027-03-27T21:00:00Z"_qs
            << u"2027-03-28T04:58:00Z"_qs;
        QTest::newRow("a wake time already past: the next one")
            << QList<AlarmEntry>{Alarm(18, 1)} << -1 << 0 << false << friday
            << u"2026-12-12T16:59:00Z"_qs;
    }

    void nextWake()
    {
        QFETCH(QList<AlarmEntry>, alarms);
        QFETCH(int, snoozedMinute);
        QFETCH(int, snoozeDueIn);
        QFETCH(bool, off);
        QFETCH(QString, from);
        QFETCH(QString, wake);
        AlarmList list;
        for (const AlarmEntry &a : alarms)
            list.SetAtGrow(list.GetSize(), a);
        Settings settings;
        settings.alarmsDisabled = off;
        const int64_t now = QDateTime::fromString(from, Qt::ISODate).toSecsSinceEpoch();
        QList<Clockwork::Snoozed> snoozed;
        if (snoozedMinute >= 0)
            snoozed.append({snoozedMinute, now + snoozeDueIn, 300, 0});
        const std::optional<int64_t> got = NextWake::at(list, settings, snoozed, now);
        QCOMPARE(got ? QDateTime::fromSecsSinceEpoch(*got, Qt::UTC).toString(Qt::ISODate)
                     : QString(),
                 wake);
    }

    // What the output's answer tells about Friday's 07:30, from 07:25.
    void audibleNotice_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("muted");
        QTest::addColumn<int>("percent");
        QTest::addColumn<QString>("toldBefore"); // "same": this ringing; "day": Thursday's
        QTest::addColumn<QString>("summary");    // empty: nothing is told
        const QString mutedText = u"闹钟可能听不见：声音输出已静音"_qs;
        QTest::newRow("muted") << true << true << 100 << QString() << mutedText;
        QTest::newRow("5 %") << true << false << 5 << QString()
                             << u"闹钟可能听不见：声音输出的音量低于 10%"_qs;
        QTest::newRow("10 % is heard") << true << false << 10 << QString() << QString();
        QTest::newRow("100 %") << true << false << 100 << QString() << QString();
        QTest::newRow("no device")
            << false << false << 0 << QString() << u"闹钟可能听不见：没有声音输出设备"_qs;
        QTest::newRow("told already for this ringing")
            << true << true << 100 << u"same"_qs << QString();
        QTest::newRow("told for the day before: told again")
            << true << true << 100 << u"day"_qs << mutedText;
    }

    void audibleNotice()
    {
        QFETCH(bool, present);
        QFETCH(bool, muted);
        QFETCH(int, percent);
        QFETCH(QString, toldBefore);
        AlarmList list;
        list.SetInOrder(Alarm(7, 30));
        AudibleCheck::Memory memory;
        const auto tellMuted = [&](const QString &at) {
            const int64_t t = QDateTime::fromString(at, Qt::ISODate).toSecsSinceEpoch();
            const auto o = AudibleCheck::next(list, Settings{}, t);
            memory.checking(*o, t);
            QVERIFY(memory.tell(*o, AudibleCheck::Problem::Muted, t));
        };
        if (toldBefore == u"day")
            tellMuted(u"2026-12-10T06:25:00Z"_qs);
        if (toldBefore == u"same")
            tellMuted(u"2026-12-11T06:25:00Z"_qs);
        const int64_t now =
            QDateTime::fromString(u"2026-12-11T06:25:00Z"_qs, Qt::ISODate).toSecsSinceEpoch();
        const auto o = AudibleCheck::next(list, Settings{}, now);
        const auto problem = AudibleCheck::problemOf({present, muted, percent / 100.0});
        const bool told = memory.tell(*o, problem, now);
        const Notice n = AlarmNotices::cannotBeHeard(o->minuteOfDay, problem);
        QTEST(told ? n.summary : QString(), "summary");
        if (told)
            QCOMPARE(n.body, u"闹钟 07:30"_qs);
    }

    // When the check before an alarm is due, all times in UTC (local is an hour on).
    void audibleCheckDue_data()
    {
        QTest::addColumn<QList<AlarmEntry>>("alarms");
        QTest::addColumn<bool>("off");
        QTest::addColumn<QString>("checked"); // a check for the next ringing ran then
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("due"); // empty: none
        QTest::addColumn<QString>("ringing");
        const QList<AlarmEntry> daily{Alarm(7, 30)};
        QTest::newRow("ten minutes before")
            << daily << false << QString() << u"2026-12-10T06:00:00Z"_qs
            << u"2026-12-10T06:20:00Z"_qs << u"2026-12-10T06:30:00Z"_qs;
        QTest::newRow("its ten minutes begun unchecked: now")
            << daily << false << QString() << u"2026-12-10T06:25:00Z"_qs
            << u"2026-12-10T06:25:00Z"_qs << u"2026-12-10T06:30:00Z"_qs;
        QTest::newRow("checked within them: the next day's")
            << daily << false << u"2026-12-10T06:25:00Z"_qs << u"2026-12-10T06:26:00Z"_qs
            << u"2026-12-11T06:20:00Z"_qs << u"2026-12-11T06:30:00Z"_qs;
        QTest::newRow("a check when set, earlier, does not count")
            << daily << false << u"2026-12-10T05:00:00Z"_qs << u"2026-12-10T05:01:00Z"_qs
            << u"2026-12-10T06:20:00Z"_qs << u"2026-12-10T06:30:00Z"_qs;
        QTest::newRow("the alarm after, its ten minutes begun")
            << QList<AlarmEntry>{Alarm(7, 30), Alarm(7, 35)} << false << u"2026-12-10T06:25:00Z"_qs
            << u"2026-12-10T06:26:00Z"_qs << u"2026-12-10T06:26:00Z"_qs
            << u"2026-12-10T06:35:00Z"_qs;
        QTest::newRow("alarms off")
            << daily << true << QString() << u"2026-12-10T06:00:00Z"_qs << QString() << QString();
        QTest::newRow("no alarm") << QList<AlarmEntry>{} << false << QString()
                                  << u"2026-12-10T06:00:00Z"_qs << QString() << QString();
    }

    void audibleCheckDue()
    {
        QFETCH(QList<AlarmEntry>, alarms);
        QFETCH(bool, off);
        QFETCH(QString, checked);
        QFETCH(QString, from);
        AlarmList list;
        for (const AlarmEntry &a : alarms)
            list.SetAtGrow(list.GetSize(), a);
        Settings settings;
        settings.alarmsDisabled = off;
        const auto secs = [](const QString &t) {
            return QDateTime::fromString(t, Qt::ISODate).toSecsSinceEpoch();
        };
        const auto utc = [](int64_t t) {
            return QDateTime::fromSecsSinceEpoch(t, Qt::UTC).toString(Qt::ISODate);
        };
        AudibleCheck::Memory memory;
        if (!checked.isEmpty())
            memory.checking(*AudibleCheck::next(list, settings, secs(checked)), secs(checked));
        const auto due = memory.due(list, settings, secs(from));
        QTEST(due ? utc(due->at) : QString(), "due");
        QTEST(due ? utc(due->occurrence.minute) : QString(), "ringing");
    }
};

QTEST_APPLESS_MAIN(TestAlarmNotices)
#include "tst_alarmnotices.moc"
