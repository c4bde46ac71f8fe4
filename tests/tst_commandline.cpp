#include "alarmbuilder.h"
#include "commandline.h"
#include "commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <cstdlib>
#include <ctime>

using CommandLine::Action;

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("TZ", "Europe/Berlin"), tzset(); }
    void parses_data();
    void parses();
    void runs_data();
    void runs();
};

void TestCommandLine::parses_data()
{
    QTest::addColumn<QStringList>("arguments");
    // What it asks for, as "action hh:mm days once message", or the start of the one line
    // a usage error prints.
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, QStringList arguments, const char *expected) {
        QTest::newRow(name) << arguments << QString::fromUtf8(expected);
    };
    row("add, every day", {"--add", "07:30"}, "add 07:30 daily - -");
    row("add, days and once", {"--add", "06:05", "--days", "mon-fri", "--once"},
        "add 06:05 mon-fri once -");
    row("days over the weekend", {"--add", "06:05", "--days", "fri-mon"},
        "add 06:05 mon,fri-sun - -");
    row("days as a list", {"--add", "06:05", "--days", "sat,sun,wed"}, "add 06:05 wed,sat,sun - -");
    row("message", {"--message", "起床 now", "--add", "23:59"}, "add 23:59 daily - 起床 now");
    row("an empty message is a message", {"--add", "00:00", "--message", ""}, "add 00:00 daily - ");
    row("in", {"--in", "25"}, "in 00:00 daily - -");
    row("remove", {"--remove", "07:30"}, "remove 07:30 daily - -");
    row("pause until", {"--pause", "07:30", "--until", "2026-12-27"}, "pause 07:30 daily - -");
    row("json", {"--list", "--json"}, "list 00:00 daily - -");
    row("an unknown option", {"--bogus"}, "Unknown option 'bogus'");
    row("a word", {"--list", "now"}, "多余的参数：now");
    row("nothing asked", {"--json"}, "没有要做的事");
    row("json without list", {"--next", "--json"}, "--json 只能和 --list 一起用");
    row("two actions", {"--stop", "--snooze"}, "--stop 和 --snooze 不能一起用");
    row("twice", {"--add", "07:30", "--add", "08:30"}, "--add 只能给一次");
    row("a time past 23:59", {"--add", "24:00"}, "--add：时间“24:00”不对");
    row("a time without its zero", {"--remove", "7:30"}, "--remove：时间“7:30”不对");
    row("a time with seconds", {"--skip-next", "07:30:00"}, "--skip-next：时间“07:30:00”不对");
    row("days unknown", {"--add", "07:30", "--days", "monday"}, "--days：“monday”不是星期几");
    row("days with an empty part", {"--add", "07:30", "--days", "mon,"}, "--days：“mon,”不是星期几");
    row("days a range of three", {"--add", "07:30", "--days", "mon-wed-fri"},
        "--days：“mon-wed-fri”不是星期几");
    row("once without add", {"--in", "5", "--once"}, "--once 只能和 --add 一起用");
    row("pause without until", {"--pause", "07:30"}, "--pause 需要 --until");
    row("a date not ISO", {"--pause", "07:30", "--until", "27.12.2026"}, "--until：日期“27.12.2026”不对");
    row("a date that is none", {"--pause", "07:30", "--until", "2026-02-30"}, "--until：日期“2026-02-30”不对");
    row("in zero", {"--in", "0"}, "--in：“0”不是");
    row("in a day and a minute", {"--in", "1441"}, "--in：“1441”不是");
    row("in, signed", {"--in", "+5"}, "--in：“+5”不是");
}

void TestCommandLine::parses()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    const CommandLine::Parsed p = CommandLine::parse(arguments);
    if (!p.request) {
        QVERIFY2(p.error.contains(expected), qPrintable(p.error));
        QVERIFY(!p.error.contains(QLatin1Char('\n')));
        return;
    }
    const CommandLine::Request &r = *p.request;
    static const char *names[] = {"list", "add",  "remove", "skip-next", "pause", "in",
                                  "stop", "snooze", "next", "help",      "version"};
    const QString seen = QStringLiteral("%1 %2:%3 %4 %5 %6")
                             .arg(QLatin1String(names[int(r.action)]))
                             .arg(r.hour, 2, 10, QLatin1Char('0'))
                             .arg(r.minute, 2, 10, QLatin1Char('0'))
                             .arg(CommandLine::daysText(r.weekdays), r.once ? "once" : "-",
                                  r.message.value_or(QStringLiteral("-")));
    QCOMPARE(seen, expected);
    QCOMPARE(r.json, arguments.contains(QStringLiteral("--json")));
}

void TestCommandLine::runs_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    // The alarms after it, as --list prints them, or what it printed.
    QTest::addColumn<QString>("expected");
    // 2026-12-10 23:50:30 in Berlin; the list holds 07:30 on weekdays and 23:55 once.
    QTest::newRow("list") << QStringList{"--list"} << 0
                          << "07:30 mon-fri - - message WAKE UP\n23:55 daily once - silent\n";
    QTest::newRow("add replaces the alarm of its minute")
        << QStringList{"--add", "07:30", "--message", "tea"} << 0
        << "07:30 daily - - message tea\n23:55 daily once - silent\n";
    QTest::newRow("add in time order") << QStringList{"--add", "00:01", "--once"} << 0
                                       << "00:01 daily once - silent\n07:30 mon-fri - - message WAKE UP\n"
                                          "23:55 daily once - silent\n";
    QTest::newRow("remove") << QStringList{"--remove", "23:55"} << 0
                            << "07:30 mon-fri - - message WAKE UP\n";
    QTest::newRow("remove what is not there") << QStringList{"--remove", "23:56"} << 1
                                              << "没有 23:56 的闹钟\n";
    QTest::newRow("in, over midnight, from the minute it is")
        << QStringList{"--in", "15"} << 0
        << "00:05 daily once - silent\n07:30 mon-fri - - message WAKE UP\n23:55 daily once - silent\n";
    QTest::newRow("skip a once-alarm: switched off") << QStringList{"--skip-next", "23:55"} << 0
        << "07:30 mon-fri - - message WAKE UP\n23:55 daily done - silent\n";
    QTest::newRow("skip a weekday alarm: to the midnight after Friday's")
        << QStringList{"--skip-next", "07:30"} << 0
        << "07:30 mon-fri - until 2026-12-12 message WAKE UP\n23:55 daily once - silent\n";
    QTest::newRow("pause until a date") << QStringList{"--pause", "07:30", "--until", "2027-01-04"}
        << 0 << "07:30 mon-fri - until 2027-01-04 message WAKE UP\n23:55 daily once - silent\n";
    QTest::newRow("next, with its offset") << QStringList{"--next"} << 0
                                           << "2026-12-10T23:55:00+01:00\n";
}

void TestCommandLine::runs()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, expected);
    AlarmList alarms;
    alarms.SetInOrder(Alarm(7, 30).message("WAKE UP").days(0x3E));
    alarms.SetInOrder(Alarm(23, 55).flags(AlarmEntry::once));
    const int64_t now = 1796943030; // 2026-12-10 23:50:30 +01:00
    const Commands::Answer answer = Commands::run(*CommandLine::parse(arguments).request, alarms, {}, {}, now);
    QCOMPARE(answer.status, status);
    QCOMPARE(answer.changed, status == 0 && !arguments.contains(QStringLiteral("--list")) &&
                                 !arguments.contains(QStringLiteral("--next")));
    CommandLine::Request list;
    list.action = Action::List;
    QCOMPARE(answer.changed ? Commands::run(list, alarms, {}, {}, now).text : answer.text, expected);
    // Scripts read the same list as JSON.
    list.json = true;
    const QJsonArray json = QJsonDocument::fromJson(Commands::run(list, alarms, {}, {}, now).text.toUtf8()).array();
    QCOMPARE(json.size(), alarms.GetSize());
    QCOMPARE(json.last().toObject().value(QStringLiteral("time")).toString(),
             QStringLiteral("%1:%2").arg(alarms[alarms.GetSize() - 1].hour, 2, 10, QLatin1Char('0'))
                 .arg(alarms[alarms.GetSize() - 1].minute, 2, 10, QLatin1Char('0')));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
