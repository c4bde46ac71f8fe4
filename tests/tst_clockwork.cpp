#include "clockwork.h"

#include "clockrig.h"

#include <QTest>

#include <cstdlib>
#include <map>

using namespace Skin;

namespace {

std::tm tmOf(int year, int month, int day, int hour, int minute, int weekday)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_wday = weekday;
    return t;
}

QStringList soundLog(const RecordingSound &sound)
{
    static const char *const verbs[] = {"loop ", "once ", "startIfIdle ", "stop"}; // by Kind
    QStringList log;
    for (const auto &r : sound.requests)
        log.append(QLatin1String(verbs[int(r.kind)]) + QString::fromUtf8(r.path));
    return log;
}

QString cellsText(const TimeCells &c)
{
    return QStringLiteral("%1%2/%3%4/%5%6%7%8 w%9 %10%11:%12%13")
        .arg(c.dayTens)
        .arg(c.dayUnits)
        .arg(c.monthTens)
        .arg(c.monthUnits)
        .arg(c.centuryHigh())
        .arg(c.centuryLow())
        .arg(c.yearTens)
        .arg(c.yearUnits)
        .arg(c.weekday)
        .arg(c.hourTens)
        .arg(c.hourUnits)
        .arg(c.minuteTens)
        .arg(c.minuteUnits);
}

} // namespace

class TestClockwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Central European time, written out so that no time zone database is needed.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }

    void splitTime_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<int>("weekday");
        QTest::addColumn<QString>("cells");
        QTest::newRow("31 Dec 1999 23:59")
            << 1999 << 12 << 31 << 23 << 59 << 5 << "31/12/1999 w5 23:59";
        QTest::newRow("1 Jan 2000 00:00") << 2000 << 1 << 1 << 0 << 0 << 6 << "01/01/2000 w6 00:00";
        QTest::newRow("9 Mar 1999 07:05") << 1999 << 3 << 9 << 7 << 5 << 2 << "09/03/1999 w2 07:05";
        QTest::newRow("2038") << 2038 << 1 << 19 << 3 << 14 << 2 << "19/01/2038 w2 03:14";
        QTest::newRow("1970") << 1970 << 1 << 1 << 0 << 0 << 4 << "01/01/1970 w4 00:00";
    }

    void splitTime()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(int, weekday);
        QFETCH(QString, cells);
        QCOMPARE(cellsText(::splitTime(tmOf(year, month, day, hour, minute, weekday))), cells);
    }

    void spritesLieInsideTheirBitmaps()
    {
        struct Use {
            const char *what;
            Bitmap bitmap;
            QRect source;
        };
        const Use uses[] = {
            {"digit 9 small", smallDigitStrip, QRect(smallDigit(9), smallDigitSize)},
            {"digit 9 big", bigDigitStrip, QRect(bigDigit(9), bigDigitSize)},
            {"Saturday", weekdayStrip, QRect(weekdayRow(6), weekdaySize)},
            {"bell frame 2", bellStrip, QRect(Skin::bellFrame(2), bellSize)},
            {"quit button", buttonStripLit, QRect(buttonCell(3), buttonSize)},
            {"runner", runnerSprite, QRect({0, 0}, runnerSize)},
            {"colon", colonSprite, QRect({0, 0}, colonRect.size())},
            {"banner", ringBanner, QRect({0, 0}, bannerSize)},
            {"stop", stopButtonLit, QRect({0, 0}, stopSize)},
        };
        for (const Use &use : uses) {
            const QRect bitmap({0, 0}, bitmaps[use.bitmap].size);
            QVERIFY2(bitmap.contains(use.source), use.what);
        }
        // The strips end exactly with their last cell.
        QCOMPARE(bitmaps[smallDigitStrip].size.height(), 10 * smallDigitSize.height());
        QCOMPARE(bitmaps[bigDigitStrip].size.height(), 10 * bigDigitSize.height());
        QCOMPARE(bitmaps[weekdayStrip].size.height(), 7 * weekdaySize.height());
        QCOMPARE(bitmaps[bellStrip].size.height(), bellFrames * bellSize.height());
        QCOMPARE(bitmaps[faceNormal].size, faceSize);
        // The places on the face stay inside it.
        for (QRect r :
             {QRect(minuteUnitsAt, bigDigitSize), QRect(yearUnitsAt, smallDigitSize), runnerStrip,
              QRect(ringingQuitAt, buttonSize), QRect({bannerLastX, bannerY}, bannerSize)})
            QVERIFY(QRect({0, 0}, faceSize).contains(r));
    }

    void creationDrawsTheMinuteIntoTheBuffersOnly()
    {
        ClockRig rig;
        rig.startAt(2026, 12, 8, 17, 45, 33);
        QCOMPARE(rig.host.windowCopies(), QList<QPoint>());
        QCOMPARE(rig.host.timers, (std::map<int, int>{{1, 500}, {2, 1000}}));
        QCOMPARE(cellsText(rig.works.shownCells()), QStringLiteral("08/12/2026 w2 17:45"));
        QCOMPARE(localFields(rig.works.shownMinute()).tm_sec, 0);
        // No colon and no runner yet; all buttons plain; the ringing face has stop and quit.
        QList<QString> drawn;
        for (const auto &c : rig.host.copies) {
            QVERIFY(c.source != colonSprite && c.source != runnerSprite &&
                    c.source != buttonStripLit && c.source != stopButtonLit);
            if (c.target == Buffer::Ringing)
                drawn.append(QStringLiteral("%1@%2").arg(c.source).arg(c.dest.x()));
        }
        QCOMPARE(drawn, (QList<QString>{QStringLiteral("%1@103").arg(buttonStrip),
                                        QStringLiteral("%1@37").arg(stopButton)}));
    }

    void colonAndRunner()
    {
        ClockRig rig;
        rig.startAt(2026, 12, 8, 17, 45, 0);
        rig.host.copies.clear();
        for (int i = 0; i < 4; ++i)
            rig.works.onTimer(FaceTimer::colon);
        QCOMPARE(rig.host.copies.size(), 4);
        for (int i = 0; i < 4; ++i) {
            // Hidden at 0.5 s, shown at 1 s, and so on.
            QCOMPARE(rig.host.copies[i].source, i % 2 ? colonSprite : bitmapCount);
            QCOMPARE(rig.host.copies[i].dest, colonRect);
            QVERIFY(rig.host.copies[i].toWindow);
        }
        rig.host.copies.clear();
        rig.tickSeconds(8);
        QList<QString> steps;
        for (const auto &c : rig.host.copies)
            steps.append(c.source == bitmapCount ? QStringLiteral("clear")
                                                 : QString::number(c.dest.x()));
        QCOMPARE(steps, (QList<QString>{"21", "39", "57", "75", "93", "111", "clear", "21", "39"}));
    }

    void newMinuteRedrawsOnlyChangedCells_data()
    {
        QTest::addColumn<QList<int>>("from"); // y m d h min s
        QTest::addColumn<QList<QPoint>>("redrawn");
        QTest::newRow("New Year 1999 to 2000")
            << QList<int>{1999, 12, 31, 23, 59, 58}
            << QList<QPoint>{centuryHighAt, centuryLowAt, yearTensAt,   yearUnitsAt,
                             dayTensAt,     monthTensAt,  monthUnitsAt, weekdayAt,
                             hourTensAt,    hourUnitsAt,  minuteTensAt, minuteUnitsAt};
        QTest::newRow("10:09 to 10:10")
            << QList<int>{2026, 5, 6, 10, 9, 58} << QList<QPoint>{minuteTensAt, minuteUnitsAt};
        QTest::newRow("10:10 to 10:11")
            << QList<int>{2026, 5, 6, 10, 10, 58} << QList<QPoint>{minuteUnitsAt};
        QTest::newRow("midnight within a month")
            << QList<int>{2026, 5, 6, 23, 59, 58}
            << QList<QPoint>{dayUnitsAt,  weekdayAt,    hourTensAt,
                             hourUnitsAt, minuteTensAt, minuteUnitsAt};
    }

    void newMinuteRedrawsOnlyChangedCells()
    {
        QFETCH(QList<int>, from);
        QFETCH(QList<QPoint>, redrawn);
        ClockRig rig;
        rig.startAt(from[0], from[1], from[2], from[3], from[4], from[5]);
        rig.tickSeconds(1); // still the same minute: only the runner
        rig.host.copies.clear();
        rig.tickSeconds(1); // the new minute
        QList<QPoint> cells = rig.host.windowCopies();
        QCOMPARE(cells.takeFirst(), QPoint(runnerFirstX + runnerStep, runnerY));
        QCOMPARE(cells, redrawn);
        // Each redrawn cell holds the new minute's digit.
        const TimeCells now = ::splitTime(localFields(rig.clock.now()));
        QCOMPARE(rig.works.shownCells(), now);
    }

    void chimeSchedule_data()
    {
        QTest::addColumn<int>("every");
        QTest::addColumn<QList<int>>("minutesOfHour");
        QTest::newRow("15") << 15 << QList<int>{0, 15, 30, 45};
        QTest::newRow("7") << 7 << QList<int>{0, 7, 14, 21, 28, 35, 42, 49, 56};
        QTest::newRow("60") << 60 << QList<int>{0};
        QList<int> all;
        for (int m = 0; m < 60; ++m)
            all.append(m);
        QTest::newRow("1") << 1 << all;
        QTest::newRow("0 never") << 0 << QList<int>{};
        QTest::newRow("negative, as a file may hold") << -20 << QList<int>{0, 20, 40};
    }

    void chimeSchedule()
    {
        QFETCH(int, every);
        QFETCH(QList<int>, minutesOfHour);
        ClockRig rig;
        rig.settings.chimeOn = 1;
        rig.settings.chimeMinutes = every;
        rig.settings.chimeSound = "Ding.wav";
        rig.startAt(2026, 5, 6, 10, 0, 30);
        // Minutes 10:01 to 12:00; the start-up minute 10:00 never chimes.
        QList<int> expected, chimed;
        for (int m = 1; m <= 120; ++m) {
            if (minutesOfHour.contains(m % 60))
                expected.append(m);
            const int before = soundLog(rig.sound).size();
            rig.tickSeconds(60);
            if (soundLog(rig.sound).size() != before)
                chimed.append(m);
        }
        QCOMPARE(chimed, expected);
        for (const QString &request : soundLog(rig.sound))
            QCOMPARE(request, QStringLiteral("once Ding.wav"));
    }

    void alarmsAndTheChime_data()
    {
        QTest::addColumn<int>("alarmsDisabled");
        QTest::addColumn<int>("chimeOn");
        QTest::addColumn<QStringList>("sounds");
        QTest::newRow("alarm and chime: only the alarm") << 0 << 1 << QStringList{"loop Bell.wav"};
        QTest::newRow("alarms disabled: the chime still") << 1 << 1 << QStringList{"once Ding.wav"};
        QTest::newRow("alarm alone") << 0 << 0 << QStringList{"loop Bell.wav"};
    }

    void alarmsAndTheChime()
    {
        QFETCH(int, alarmsDisabled);
        QFETCH(int, chimeOn);
        QFETCH(QStringList, sounds);
        ClockRig rig;
        rig.settings.alarmsDisabled = alarmsDisabled;
        rig.settings.chimeOn = chimeOn;
        rig.settings.chimeMinutes = 15;
        rig.ringAt(Alarm(7, 30).sound("Bell.wav"));
        QCOMPARE(soundLog(rig.sound), sounds);
        QCOMPARE(rig.works.isRinging(), !alarmsDisabled);
    }

    void startupMinuteNeverRings()
    {
        ClockRig rig;
        rig.settings.chimeOn = 1;
        rig.settings.chimeMinutes = 1;
        rig.alarms.SetInOrder(Alarm(7, 30));
        rig.startAt(2026, 5, 6, 7, 30, 0);
        rig.tickSeconds(59);
        QCOMPARE(soundLog(rig.sound), QStringList());
        rig.tickSeconds(1);
        QCOMPARE(soundLog(rig.sound), QStringList{"once Ding.wav"});
    }

    void ringingStartsAndStops()
    {
        ClockRig rig;
        rig.alarms.SetInOrder(Alarm(6, 0));
        rig.ringAt(Alarm(7, 30).sound("Bell.wav").message("WAKE UP"));
        QVERIFY(rig.works.isRinging());
        QCOMPARE(rig.works.ringingIndex(), 1);
        QCOMPARE(rig.host.shown, QList<Buffer>{Buffer::Ringing});
        QCOMPARE(rig.host.timerIds(), QList<int>{FaceTimer::ringing});
        QCOMPARE(rig.host.timers[FaceTimer::ringing], 100);

        rig.works.stopRinging();
        QVERIFY(!rig.works.isRinging());
        QCOMPARE(soundLog(rig.sound), (QStringList{"loop Bell.wav", "stop"}));
        QCOMPARE(rig.host.shown, (QList<Buffer>{Buffer::Ringing, Buffer::Normal}));
        QCOMPARE(rig.host.timerIds(), (QList<int>{FaceTimer::colon, FaceTimer::tick}));
        QCOMPARE(rig.host.messages, QList<QByteArray>{"WAKE UP"});
    }

    void noMessageWithoutTheSwitchOrTheEntry_data()
    {
        QTest::addColumn<int>("show");
        QTest::addColumn<int>("removeBeforeStop");
        QTest::newRow("switch off") << 0 << 0;
        QTest::newRow("entry removed while ringing") << 1 << 1;
        QTest::newRow("every entry removed while ringing") << 1 << 2;
    }

    void noMessageWithoutTheSwitchOrTheEntry()
    {
        QFETCH(int, show);
        QFETCH(int, removeBeforeStop);
        ClockRig rig;
        rig.alarms.SetInOrder(Alarm(6, 0));
        rig.ringAt(Alarm(7, 30).message("HI", show));
        QVERIFY(rig.works.isRinging());
        for (int i = 0; i < removeBeforeStop; ++i)
            rig.alarms.RemoveAt(rig.alarms.GetSize() - 1);
        rig.works.stopRinging();
        QCOMPARE(rig.host.messages, QList<QByteArray>());
    }

    void ringingLimit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<bool>("nextWhileMessageShows");
        QTest::newRow("0 stops at the first tick") << 0 << 1 << false;
        QTest::newRow("5 stops after six") << 5 << 6 << false;
        QTest::newRow("5: the next alarm, due while the message shows, after six too")
            << 5 << 6 << true;
    }

    void ringingLimit()
    {
        QFETCH(int, limit);
        QFETCH(int, ticks);
        QFETCH(bool, nextWhileMessageShows);
        ClockRig rig;
        rig.settings.limitRinging = 1;
        rig.settings.maxRingSeconds = limit;
        if (nextWhileMessageShows) {
            rig.alarms.SetInOrder(Alarm(7, 31));
            // The popup's own event loop would run the clock on until 07:31 rings.
            QObject::connect(&rig.works, &Clockwork::messageToShow, [&rig] {
                for (int s = 0; s < 120 && !rig.works.isRinging(); ++s)
                    rig.tickSeconds(1);
            });
        }
        rig.ringAt(Alarm(7, 30).message("M"));
        QCOMPARE(rig.host.timers[FaceTimer::limit], 1000);
        QCOMPARE(rig.limitTicksUntilStop(), ticks);
        if (nextWhileMessageShows) {
            QCOMPARE(rig.works.ringingIndex(), 1);
            QCOMPARE(rig.limitTicksUntilStop(), ticks);
            // 07:30 and 07:31, each told once to whoever reads the face aloud.
            QCOMPARE(rig.host.minutes, 2);
        }
        QCOMPARE(rig.host.timerIds(), (QList<int>{FaceTimer::colon, FaceTimer::tick}));
    }

    void limitLoweredBelowTheCountStillEnds()
    {
        ClockRig rig;
        rig.settings.limitRinging = 1;
        rig.settings.maxRingSeconds = 60;
        rig.ringAt(Alarm(7, 30));
        for (int i = 0; i < 10; ++i)
            rig.works.onTimer(FaceTimer::limit);
        QVERIFY(rig.works.isRinging());
        rig.settings.maxRingSeconds = 3;
        QCOMPARE(rig.limitTicksUntilStop(), 1);
    }

    void limitTimerEndsWithTheRinging()
    {
        // The limit switched off while ringing: the stop button then leaves timer 4 alone,
        // yet it must not run on and stop a later ringing early.
        ClockRig rig;
        rig.settings.limitRinging = 1;
        rig.settings.maxRingSeconds = 30;
        rig.ringAt(Alarm(7, 30).message("M"));
        rig.settings.limitRinging = 0;
        rig.works.stopRinging();
        QCOMPARE(rig.host.timers.count(FaceTimer::limit), size_t(0));
        QCOMPARE(rig.host.messages.size(), 1);
    }

    void ringingAnimation()
    {
        ClockRig rig;
        rig.ringAt(Alarm(7, 30));
        rig.host.copies.clear();
        for (int i = 0; i < 8; ++i)
            rig.works.onTimer(FaceTimer::ringing);
        QCOMPARE(rig.host.flashes, 8);
        QStringList steps;
        for (const auto &c : rig.host.copies) {
            QCOMPARE(c.target, Buffer::Ringing);
            QVERIFY(c.toWindow);
            if (c.source == bellStrip)
                steps.append(QStringLiteral("bell%1").arg(c.sourceAt.y() / bellSize.height()));
            else if (c.source == ringBanner)
                steps.append(QStringLiteral("banner%1").arg(c.dest.x()));
            else
                QFAIL("unexpected copy");
            QVERIFY(
                QRect({0, 0}, bitmaps[c.source].size).contains(QRect(c.sourceAt, c.dest.size())));
        }
        // The fourth bell step has no frame: the previous one stays for that tick.
        QCOMPARE(steps, (QStringList{"bell0", "banner21", "bell1", "banner24", "bell2", "banner27",
                                     "banner21", "bell0", "banner24", "bell1", "banner27", "bell2",
                                     "banner21", "banner24"}));
    }

    void stoppedWithinItsMinuteDoesNotRingAgain()
    {
        ClockRig rig;
        rig.ringAt(Alarm(7, 30));
        rig.clock.advanceSeconds(5);
        rig.works.stopRinging();
        rig.tickSeconds(50);
        QCOMPARE(soundLog(rig.sound), (QStringList{"loop Ring.wav", "stop"}));
    }

    void daylightSaving_data()
    {
        QTest::addColumn<QList<int>>("start"); // local y m d h min s
        QTest::addColumn<int>("rings");
        // Clocks go back at 03:00 CEST to 02:00 CET: 02:30 happens twice, rings once.
        QTest::newRow("clocks go back") << QList<int>{2026, 10, 25, 1, 0, 30} << 1;
        // Clocks go forward at 02:00 CET to 03:00 CEST: 02:30 never happens, rings at 03:00.
        QTest::newRow("clocks go forward") << QList<int>{2026, 3, 29, 1, 0, 30} << 1;
    }

    void daylightSaving()
    {
        QFETCH(QList<int>, start);
        QFETCH(int, rings);
        ClockRig rig;
        rig.settings.limitRinging = 1; // each ringing ends by itself after a second
        rig.alarms.SetInOrder(Alarm(2, 30));
        rig.startAt(start[0], start[1], start[2], start[3], start[4], start[5]);
        int rang = 0;
        for (int s = 0; s < 4 * 3600; ++s) {
            rig.clock.advanceSeconds(1);
            if (rig.works.isRinging()) {
                rig.works.onTimer(FaceTimer::limit);
                ++rang;
                continue;
            }
            rig.works.onTimer(FaceTimer::tick);
        }
        QCOMPARE(rang, rings);
    }

    // What the tick does after the ticks were kept away: each row sets the alarms, runs the
    // clock from start, lets one thing happen (the machine sleeps, the process stalls, the
    // first alarm rings on until stopped, snoozed or limited, the clock is set forward by
    // hand, the zone changes, or it simply runs) and looks at the next tick.
    void missedWhileAsleep_data()
    {
        QTest::addColumn<QString>("alarms");   // "HH:MM ..."
        QTest::addColumn<QList<int>>("start"); // local y m d h min s
        QTest::addColumn<QString>("event");    // "sleep", "stall", "ring, stop", ...
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("rings"); // index into the list, -1 none
        QTest::addColumn<int>("lateMinutes");
        QTest::addColumn<QString>("reported"); // "HH:MM ..." in the missed notice

        const QList<int> early{2026, 12, 9, 6, 59, 30};
        QTest::newRow("slept across one alarm, woke 20 min later: rings late")
            << "07:00" << early << "sleep" << 20 * 60 + 30 << 0 << 20 << "";
        QTest::newRow("woke 90 min later: listed only")
            << "07:00" << early << "sleep" << 90 * 60 + 30 << -1 << 0 << "07:00";
        QTest::newRow("missed by exactly an hour: still rings")
            << "07:00" << early << "sleep" << 60 * 60 + 30 << 0 << 60 << "";
        QTest::newRow("two missed: the latest rings, the other is listed")
            << "07:00 07:10" << early << "sleep" << 20 * 60 + 30 << 1 << 10 << "07:00";
        QTest::newRow("one due on waking rings on time, the missed one is listed")
            << "07:00 07:20" << early << "sleep" << 20 * 60 + 30 << 1 << 0 << "07:00";
        QTest::newRow("slept three days: each alarm listed once, oldest first")
            << "07:00 12:00 23:00" << early << "sleep" << 3 * 86400 - 3600 + 30 << -1 << 0
            << "07:00 12:00 23:00";
        QTest::newRow("a nap inside the minute: rings on time")
            << "07:00" << QList<int>{2026, 12, 9, 6, 59, 10} << "sleep" << 50 << 0 << 0 << "";
        QTest::newRow("slept past no alarm: nothing")
            << "09:00" << early << "sleep" << 20 * 60 + 30 << -1 << 0 << "";
        QTest::newRow("clock set forward by hand: only the new minute")
            << "07:00 08:00" << early << "set forward" << 60 * 60 + 30 << 1 << 0 << "";
        QTest::newRow("clock set forward past an alarm: nothing")
            << "07:00" << early << "set forward" << 20 * 60 + 30 << -1 << 0 << "";
        QTest::newRow("stalled as long: rings late")
            << "07:00" << early << "stall" << 1230 << 0 << 20 << "";
        // Clocks go forward at 02:00 CET to 03:00 CEST: 02:30 never happens.
        const QList<int> gap{2026, 3, 29, 1, 59, 30};
        QTest::newRow("02:30 at 03:00") << "02:30" << gap << "run" << 30 << 0 << 0 << "";
        QTest::newRow("03:00 rings, 02:30 listed")
            << "02:30 03:00" << gap << "run" << 30 << 1 << 0 << "02:30";
        QTest::newRow("stalled over the gap") << "02:30" << gap << "stall" << 630 << 0 << 10 << "";
        QTest::newRow("zone an hour west")
            << "06:00 07:00" << early << "zone UTC0" << 30 << 0 << 0 << "";
        QTest::newRow("zone an hour east")
            << "07:30 08:00" << early << "zone EET-2" << 30 << 1 << 0 << "";
        // 07:30 rings at the first tick and rings on for `seconds`.
        const QList<int> ring{2026, 12, 9, 7, 29, 59};
        QTest::newRow("rang over 07:31")
            << "07:30 07:31" << ring << "ring, stop" << 130 << 1 << 1 << "";
        QTest::newRow("stopped in 07:31")
            << "07:30 07:31" << ring << "ring, stop" << 70 << 1 << 0 << "";
        QTest::newRow("stopped in 07:32")
            << "07:30 07:31 07:32" << ring << "ring, stop" << 130 << 2 << 0 << "07:31";
        QTest::newRow("limit over two")
            << "07:30 07:35 07:38" << ring << "ring, limit" << 600 << 2 << 2 << "07:35";
        QTest::newRow("snoozed over one")
            << "07:30 07:35" << ring << "ring, snooze" << 600 << 1 << 5 << "";
        QTest::newRow("rang over midnight") << "00:00 23:59" << QList<int>{2026, 12, 9, 23, 58, 59}
                                            << "ring, stop" << 120 << 0 << 1 << "";
        QTest::newRow("no sleep: rings on time") << "07:00" << early << "run" << 30 << 0 << 0 << "";
    }

    void missedWhileAsleep()
    {
        QFETCH(QString, alarms);
        QFETCH(QList<int>, start);
        QFETCH(QString, event);
        QFETCH(int, seconds);
        QFETCH(int, rings);
        QFETCH(int, lateMinutes);
        QFETCH(QString, reported);
        ClockRig rig;
        for (const QString &t : alarms.split(u' '))
            rig.alarms.SetInOrder(
                Alarm(t.left(2).toInt(), t.mid(3).toInt()).sound(qPrintable("A" + t)));
        rig.startAt(start[0], start[1], start[2], start[3], start[4], start[5]);
        rig.tickSeconds(0);
        const bool rang = event.startsWith(u"ring");
        if (rang) {
            rig.settings.limitRinging = event == u"ring, limit";
            rig.settings.maxRingSeconds = seconds;
            rig.tickSeconds(1 + seconds);
            if (event == u"ring, stop")
                rig.works.stopRinging();
            else if (event == u"ring, snooze")
                rig.works.snooze();
            rig.tickSeconds(1);
        } else if (event.startsWith(u"zone")) {
            qputenv("TZ", event.mid(5).toLatin1());
            tzset();
            rig.tickSeconds(seconds);
            initTestCase();
        } else if (event == u"sleep") {
            rig.clock.suspendSeconds(seconds);
            rig.works.onTimer(FaceTimer::tick);
        } else if (event == u"stall") {
            rig.clock.advanceSeconds(seconds);
            rig.works.onTimer(FaceTimer::tick);
        } else if (event == u"set forward") {
            rig.clock.jumpSeconds(seconds);
            rig.works.onTimer(FaceTimer::tick);
        } else {
            rig.tickSeconds(seconds);
        }

        QCOMPARE(rig.works.isRinging(), rings >= 0);
        QCOMPARE(rig.host.ringingStarts.size(), int(rang) + int(rings >= 0));
        QCOMPARE(rig.works.snoozed().size(), event == u"ring, snooze" ? 1 : 0);
        if (rings >= 0) {
            QCOMPARE(rig.works.ringingIndex(), rings);
            QCOMPARE(rig.host.ringingStarts.last(), (std::pair<int, int>{rings, lateMinutes}));
            QCOMPARE(soundLog(rig.sound).last(), "loop A" + alarms.split(u' ')[rings]);
        }
        QStringList listed;
        for (const auto &report : rig.host.missedReports)
            for (const MissedAlarms::Occurrence &o : report)
                listed.append(QStringLiteral("%1:%2")
                                  .arg(rig.alarms[o.index].hour, 2, 10, QLatin1Char('0'))
                                  .arg(rig.alarms[o.index].minute, 2, 10, QLatin1Char('0')));
        QCOMPARE(listed.join(u' '), reported);
        QVERIFY(rig.host.missedReports.size() <= 1);
    }

    void missedWhileAsleepWithAlarmsOff()
    {
        ClockRig rig;
        rig.settings.alarmsDisabled = 1;
        rig.alarms.SetInOrder(Alarm(7, 0));
        rig.startAt(2026, 12, 9, 6, 59, 30);
        rig.clock.suspendSeconds(20 * 60 + 30);
        rig.works.onTimer(FaceTimer::tick);
        QVERIFY(!rig.works.isRinging());
        QVERIFY(rig.host.missedReports.isEmpty());
    }

    void ringingEndsTellTheHostOnce_data()
    {
        QTest::addColumn<bool>("byLimit");
        QTest::newRow("stop button") << false;
        QTest::newRow("ringing limit") << true;
    }

    void ringingEndsTellTheHostOnce()
    {
        QFETCH(bool, byLimit);
        ClockRig rig;
        rig.settings.limitRinging = byLimit ? 1 : 0;
        rig.settings.maxRingSeconds = 2;
        rig.ringAt(Alarm(7, 30));
        QCOMPARE(rig.host.ringingStarts, (QList<std::pair<int, int>>{{0, 0}}));
        QCOMPARE(rig.host.ringingEnds, 0);
        if (byLimit)
            QVERIFY(rig.limitTicksUntilStop() > 0);
        else
            rig.works.stopRinging();
        QCOMPARE(rig.host.ringingEnds, 1);
    }

    // One alarm, one mask, a week from Sunday 6 December 2026: the days it rang on.
    void weekdaysAcrossAWeek_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("weekdays");
        QTest::addColumn<QList<int>>("rang"); // tm_wday of each day it rang
        QTest::newRow("every day") << "07:30" << 0x7F << QList<int>{0, 1, 2, 3, 4, 5, 6};
        QTest::newRow("Monday to Friday") << "07:30" << 0x3E << QList<int>{1, 2, 3, 4, 5};
        QTest::newRow("weekends") << "07:30" << 0x41 << QList<int>{0, 6};
        QTest::newRow("Wednesday only") << "07:30" << 0x08 << QList<int>{3};
        QTest::newRow("no day ticked: never") << "07:30" << 0x00 << QList<int>{};
        // Midnight belongs to the day it begins, not to the evening before.
        QTest::newRow("00:00 on Saturdays") << "00:00" << 0x40 << QList<int>{6};
        QTest::newRow("23:59 on Fridays") << "23:59" << 0x20 << QList<int>{5};
        QTest::newRow("bit 7 means nothing") << "07:30" << 0x81 << QList<int>{0};
    }

    void weekdaysAcrossAWeek()
    {
        QFETCH(QString, time);
        QFETCH(int, weekdays);
        QFETCH(QList<int>, rang);
        ClockRig rig;
        const AlarmEntry e = Alarm(time.left(2).toInt(), time.mid(3).toInt()).days(weekdays);
        rig.alarms.SetInOrder(e);
        rig.startAt(2026, 12, 5, 12, 0, 0);
        QList<int> days;
        for (int d = 0; d < 7; ++d) {
            // The second before the alarm's minute, then the tick that reaches it.
            rig.clock.setLocal(2026, 12, 6 + d, e.hour, e.minute - 1, 59);
            rig.works.onTimer(FaceTimer::tick);
            rig.tickSeconds(1);
            if (rig.works.isRinging()) {
                days.append(localFields(rig.clock.now()).tm_wday);
                rig.works.stopRinging();
            }
        }
        QCOMPARE(days, rang);
    }

    void missedWhileAsleepHonoursWeekdays_data()
    {
        QTest::addColumn<int>("day"); // of December 2026; the 11th is a Friday
        QTest::addColumn<bool>("ringsLate");
        QTest::addColumn<bool>("reported");
        QTest::newRow("Friday: rings late") << 11 << true << false;
        QTest::newRow("Saturday: neither rung nor listed") << 12 << false << false;
    }

    void missedWhileAsleepHonoursWeekdays()
    {
        QFETCH(int, day);
        QFETCH(bool, ringsLate);
        QFETCH(bool, reported);
        for (const int sleep : {20 * 60 + 30, 3 * 60 * 60}) {
            ClockRig rig;
            rig.alarms.SetInOrder(Alarm(7, 0).days(0x3E));
            rig.clock.setLocal(2026, 12, day, 6, 59, 30);
            rig.works.create();
            rig.clock.suspendSeconds(sleep);
            rig.works.onTimer(FaceTimer::tick);
            const bool late = sleep < 60 * 60;
            QCOMPARE(rig.works.isRinging(), ringsLate && late);
            QCOMPARE(!rig.host.missedReports.isEmpty(), reported || (ringsLate && !late));
        }
    }

    void onceAlarms_data()
    {
        QTest::addColumn<int>("weekdays");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("route");   // "ticks", "sleeps 20 min", "sleeps 3 h"
        QTest::addColumn<QList<int>>("rang"); // days of December 2026 it rang on
        QTest::addColumn<int>("missed");      // reports of it
        QTest::addColumn<int>("flagsAfter");
        QTest::newRow("rings once, then stays off")
            << 0x7F << 1 << "ticks" << QList<int>{7} << 0 << 3;
        // The 7th is a Monday: Tuesday is its next occurrence.
        QTest::newRow("Tuesdays only: waits for Tuesday")
            << 0x04 << 1 << "ticks" << QList<int>{8} << 0 << 3;
        QTest::newRow("done already: never") << 0x7F << 3 << "ticks" << QList<int>{} << 0 << 3;
        QTest::newRow("daily: every day, never off")
            << 0x7F << 0 << "ticks" << QList<int>{7, 8, 9} << 0 << 0;
        QTest::newRow("missed but late enough to ring: off")
            << 0x7F << 1 << "sleeps 20 min" << QList<int>{7} << 0 << 3;
        QTest::newRow("missed and listed: off too")
            << 0x7F << 1 << "sleeps 3 h" << QList<int>{} << 1 << 3;
    }

    void onceAlarms()
    {
        QFETCH(int, weekdays);
        QFETCH(int, flags);
        QFETCH(QString, route);
        QFETCH(QList<int>, rang);
        QFETCH(int, missed);
        QFETCH(int, flagsAfter);
        ClockRig rig;
        rig.alarms.SetInOrder(Alarm(7, 0).days(weekdays).flags(flags));
        rig.startAt(2026, 12, 6, 12, 0, 0);
        QList<int> days;
        for (int d = 7; d <= 9; ++d) {
            rig.clock.setLocal(2026, 12, d, 6, 59, 30);
            rig.works.onTimer(FaceTimer::tick);
            if (route == u"ticks") {
                rig.tickSeconds(30);
            } else {
                rig.clock.suspendSeconds(route == u"sleeps 3 h" ? 3 * 60 * 60 : 20 * 60);
                rig.works.onTimer(FaceTimer::tick);
            }
            if (rig.works.isRinging()) {
                days.append(localFields(rig.clock.now()).tm_mday);
                rig.works.stopRinging();
            }
        }
        QCOMPARE(days, rang);
        QCOMPARE(rig.host.missedReports.size(), missed);
        QCOMPARE(int(rig.alarms[0].onceFlags), flagsAfter);
        // Switched off by the clock is a change the settings file must carry, once.
        QCOMPARE(rig.host.alarmChanges, flagsAfter != flags ? 1 : 0);
    }

    void snoozeRepeated_data()
    {
        QTest::addColumn<int>("flags");
        QTest::newRow("daily") << 0;
        QTest::newRow("once: off after the first ring, its snoozes ring still") << 1;
    }

    void snoozeRepeated()
    {
        QFETCH(int, flags);
        ClockRig rig;
        rig.settings.snoozeMinutes = 9;
        rig.alarms.SetInOrder(Alarm(6, 0));
        rig.ringAt(Alarm(7, 30).sound("Bell.wav").message("WAKE UP").flags(flags));
        QVERIFY(rig.works.isRinging());
        for (int round = 1; round <= 3; ++round) {
            rig.tickSeconds(5);
            rig.works.snooze();
            QVERIFY(!rig.works.isRinging());
            QCOMPARE(rig.host.ringingEnds, round);
            // Snoozing is not stopping: the message waits for the stop.
            QCOMPARE(rig.host.messages, QList<QByteArray>());
            rig.tickSeconds(9 * 60 - 1);
            QVERIFY2(!rig.works.isRinging(), qPrintable(QString::number(round)));
            rig.tickSeconds(1);
            QVERIFY2(rig.works.isRinging(), qPrintable(QString::number(round)));
            QCOMPARE(rig.works.ringingIndex(), 1);
            QCOMPARE(rig.host.ringingStarts.last(), (std::pair<int, int>{1, 0}));
        }
        QCOMPARE(rig.host.ringingStarts.size(), 4);
        QCOMPARE(soundLog(rig.sound).count(QStringLiteral("loop Bell.wav")), 4);
        rig.works.stopRinging();
        QCOMPARE(rig.host.messages, QList<QByteArray>{"WAKE UP"});
        QVERIFY(rig.works.snoozed().isEmpty());
        rig.tickSeconds(30 * 60);
        QVERIFY(!rig.works.isRinging());
    }

    void snoozeDueInsideAMinute()
    {
        ClockRig rig;
        rig.settings.snoozeMinutes = 1;
        rig.alarms.SetInOrder(Alarm(7, 30).sound("A.wav"));
        rig.alarms.SetInOrder(Alarm(7, 31).sound("B.wav"));
        rig.startAt(2026, 5, 6, 7, 29, 59);
        rig.tickSeconds(1);
        rig.tickSeconds(40);
        rig.works.snooze(); // 07:30:40: due 07:31:40, inside the next minute
        rig.tickSeconds(20);
        // 07:31 rings on its minute; the snooze waits for it to end, then rings.
        QCOMPARE(rig.works.ringingIndex(), 1);
        rig.tickSeconds(10);
        rig.works.stopRinging();
        QVERIFY(!rig.works.isRinging());
        rig.tickSeconds(29);
        QVERIFY(!rig.works.isRinging());
        rig.tickSeconds(1);
        QVERIFY(rig.works.isRinging());
        QCOMPARE(rig.works.ringingIndex(), 0);
        QCOMPARE(soundLog(rig.sound),
                 (QStringList{"loop A.wav", "stop", "loop B.wav", "stop", "loop A.wav"}));
    }

    // Snoozed for five minutes at 07:30:00, due 07:35:00; then something happens.
    void snoozeAcrossClockChanges_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("ringsAfter"); // seconds of ticking after the event, -1 never
        QTest::addColumn<int>("lateMinutes");
        QTest::addColumn<bool>("reported");
        QTest::newRow("runs on: five minutes") << "run" << 0 << 300 << 0 << false;
        QTest::newRow("set forward past it: at once") << "set forward" << 3600 << 0 << 0 << false;
        QTest::newRow("set forward hours past it: at once, not listed")
            << "set forward" << 3 * 3600 << 0 << 0 << false;
        QTest::newRow("set back into its minute, rings and is snoozed again: one snooze")
            << "set back, snooze" << 60 << 300 << 0 << false;
        QTest::newRow("set forward short of it: at its time")
            << "set forward" << 120 << 180 << 0 << false;
        QTest::newRow("set back an hour: five minutes still")
            << "set back" << 3600 << 300 << 0 << false;
        QTest::newRow("slept past it: rings late") << "sleep" << 20 * 60 << 0 << 15 << false;
        QTest::newRow("slept short of it: at its time") << "sleep" << 120 << 180 << 0 << false;
        QTest::newRow("slept more than an hour past it: listed")
            << "sleep" << 5 * 60 + 61 * 60 << -1 << 0 << true;
        QTest::newRow("alarm removed meanwhile: gone") << "remove" << 0 << -1 << 0 << false;
        QTest::newRow("alarm moved to another minute: gone") << "move" << 0 << -1 << 0 << false;
        QTest::newRow("alarms switched off: silent") << "disable" << 0 << -1 << 0 << false;
        // Taken up from the file by a clock started again: the time between counts as asleep.
        QTest::newRow("restarted short of it: at its time") << "restart" << 60 << 240 << 0 << false;
        QTest::newRow("restarted past it: rings late") << "restart" << 20 * 60 << 0 << 15 << false;
        QTest::newRow("restarted more than an hour past it: listed")
            << "restart" << 5 * 60 + 61 * 60 << -1 << 0 << true;
    }

    void snoozeAcrossClockChanges()
    {
        QFETCH(QString, event);
        QFETCH(int, seconds);
        QFETCH(int, ringsAfter);
        QFETCH(int, lateMinutes);
        QFETCH(bool, reported);
        ClockRig rig;
        rig.settings.snoozeMinutes = 5;
        rig.ringAt(Alarm(7, 30));
        rig.works.snooze();
        if (event == u"set forward")
            rig.clock.jumpSeconds(seconds);
        else if (event == u"set back")
            rig.clock.jumpSeconds(-seconds);
        else if (event == u"set back, snooze") {
            rig.clock.jumpSeconds(-seconds);
            rig.works.onTimer(FaceTimer::tick);
            rig.tickSeconds(seconds);
            QVERIFY(rig.works.isRinging());
            rig.works.snooze();
        } else if (event == u"sleep")
            rig.clock.suspendSeconds(seconds);
        else if (event == u"remove")
            rig.alarms.RemoveAt(0);
        else if (event == u"move")
            rig.alarms[0].hour = 5;
        else if (event == u"disable")
            rig.settings.alarmsDisabled = 1;
        ClockRig later;
        ClockRig *r = &rig;
        if (event == u"restart") {
            later.settings.snoozeMinutes = 5;
            later.settings.snoozedRecord = 0;
            later.settings.snoozedDueAt = rig.works.snoozed().constFirst().dueAt;
            later.alarms.SetInOrder(Alarm(7, 30));
            later.clock.setUtc(rig.clock.now() + seconds);
            later.works.create();
            r = &later;
        }
        int rang = -1;
        for (int t = 0; t <= 2 * 60 * 60 && rang < 0; ++t) {
            if (t > 0)
                r->clock.advanceSeconds(1);
            r->works.onTimer(FaceTimer::tick);
            if (r->works.isRinging())
                rang = t;
        }
        QCOMPARE(rang, ringsAfter);
        if (rang >= 0)
            QCOMPARE(r->host.ringingStarts.last(), (std::pair<int, int>{0, lateMinutes}));
        QCOMPARE(r->host.missedReports.size(), reported ? 1 : 0);
        QVERIFY(r->works.snoozed().isEmpty() || rang < 0);
    }

    void snoozeNeedsARinging()
    {
        ClockRig rig;
        rig.alarms.SetInOrder(Alarm(7, 30));
        rig.startAt(2026, 5, 6, 7, 29, 0);
        rig.works.snooze();
        QVERIFY(rig.works.snoozed().isEmpty());
        QCOMPARE(rig.host.ringingEnds, 0);
        QCOMPARE(soundLog(rig.sound), QStringList());
    }

    void snoozeTimeIsClamped_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("minutes");
        QTest::newRow("1") << 1 << 1;
        QTest::newRow("60") << 60 << 60;
        QTest::newRow("0 as a file may hold: 1") << 0 << 1;
        QTest::newRow("negative: 1") << -30 << 1;
        QTest::newRow("a day: 60") << 1440 << 60;
    }

    void snoozeTimeIsClamped()
    {
        QFETCH(int, stored);
        QFETCH(int, minutes);
        ClockRig rig;
        rig.settings.snoozeMinutes = stored;
        rig.ringAt(Alarm(7, 30));
        const int64_t at = rig.clock.now();
        rig.works.snooze();
        QCOMPARE(rig.works.snoozed().size(), 1);
        QCOMPARE(rig.works.snoozed()[0].dueAt - at, int64_t(minutes) * 60);
    }

    void gentleStart_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("tenthsToFull");     // ringing timer ticks until full volume
        QTest::addColumn<int>("halfway");          // the volume halfway through the rise
        const int quarter = Sound::fullVolume / 4; // a squared rise, not a straight one
        QTest::newRow("off: full at once") << 0 << 0 << Sound::fullVolume;
        QTest::newRow("2 seconds") << 2 << 20 << quarter;
        QTest::newRow("120 seconds") << 120 << 1200 << quarter;
        QTest::newRow("beyond the range: 120") << 1000 << 1200 << quarter;
        QTest::newRow("negative: off") << -5 << 0 << Sound::fullVolume;
    }

    void gentleStart()
    {
        QFETCH(int, stored);
        QFETCH(int, tenthsToFull);
        QFETCH(int, halfway);
        ClockRig rig;
        rig.settings.gentleSeconds = stored;
        rig.alarms.SetInOrder(Alarm(7, 30));
        rig.clock.setLocal(2026, 5, 6, 7, 29, 59);
        for (int ring = 0; ring < 2; ++ring) {
            rig.sound.volumes.clear();
            if (ring == 0) {
                rig.works.create();
                rig.tickSeconds(1);
            } else {
                rig.clock.setLocal(2026, 5, 7, 7, 29, 59);
                rig.works.onTimer(FaceTimer::tick);
                rig.tickSeconds(1);
            }
            QVERIFY(rig.works.isRinging());
            // The volume is set before the loop starts: never a burst at full.
            QCOMPARE(rig.sound.volumes.size(), 1);
            QCOMPARE(rig.sound.volumes[0], tenthsToFull ? 1 : Sound::fullVolume);
            for (int t = 1; t < tenthsToFull; ++t) {
                rig.works.onTimer(FaceTimer::ringing);
                if (t == tenthsToFull / 2)
                    QCOMPARE(rig.sound.volumes.last(), halfway);
            }
            QVERIFY(rig.sound.volumes.last() < Sound::fullVolume || tenthsToFull == 0);
            // Further ticks only once it has reached full: no calls after that.
            for (int t = 0; t < 50; ++t)
                rig.works.onTimer(FaceTimer::ringing);
            QCOMPARE(rig.sound.volumes.last(), Sound::fullVolume);
            QCOMPARE_LE(rig.sound.volumes.size(), tenthsToFull + 1);
            for (qsizetype i = 1; i < rig.sound.volumes.size(); ++i)
                QCOMPARE_GT(rig.sound.volumes[i], rig.sound.volumes[i - 1]);
            rig.works.stopRinging();
        }
    }

    void clockSetBackIsANewMinute()
    {
        ClockRig rig;
        rig.settings.chimeOn = 1;
        rig.settings.chimeMinutes = 60;
        rig.startAt(2026, 5, 6, 10, 20, 0);
        rig.clock.setLocal(2026, 5, 6, 9, 0, 10);
        rig.works.onTimer(FaceTimer::tick);
        QCOMPARE(soundLog(rig.sound), QStringList{"once Ding.wav"});
        QCOMPARE(rig.works.shownCells().hourUnits, 9);
    }
};

QTEST_APPLESS_MAIN(TestClockwork)
#include "tst_clockwork.moc"
