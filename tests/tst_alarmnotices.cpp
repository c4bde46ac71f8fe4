#include "alarmnotices.h"

#include <QTest>

namespace {

AlarmEntry alarm(int hour, int minute, const char *message, int show)
{
    return AlarmEntry{hour, minute, QByteArray(message), show, QByteArrayLiteral("Ring.wav")};
}

} // namespace

class TestAlarmNotices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        const Notice n = AlarmNotices::ringing(alarm(hour, minute, message, show), late);
        QCOMPARE(n.summary, summary);
        QCOMPARE(n.body, body);
    }

    void missedListsEachWithItsTime()
    {
        AlarmList list;
        list.SetInOrder(alarm(6, 45, "Walk", 1));
        list.SetInOrder(alarm(7, 0, "", 0));
        list.SetInOrder(alarm(7, 10, "hidden", 0));
        const Notice n = AlarmNotices::missed(list, {{0, 0}, {2, 0}, {1, 0}});
        QCOMPARE(n.summary, u"错过的闹钟"_qs);
        QCOMPARE(n.body, u"06:45 Walk\n07:10\n07:00"_qs);
    }
};

QTEST_APPLESS_MAIN(TestAlarmNotices)
#include "tst_alarmnotices.moc"
