#include "alarmbuilder.h"
#include "alarmlist.h"

#include <QTest>

namespace {

using Times = QList<QPair<int, int>>;

void fill(AlarmList &list, const Times &times)
{
    for (const auto &[h, m] : times)
        list.SetAtGrow(list.GetSize(), Alarm(h, m));
}

Times timesOf(const AlarmList &list)
{
    Times out;
    for (int i = 0; i < list.GetSize(); ++i)
        out.append({list[i].hour, list[i].minute});
    return out;
}

} // namespace

class TestAlarmList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setInOrder_data()
    {
        QTest::addColumn<Times>("before");
        QTest::addColumn<int>("hour");
        QTest::addColumn<int>("minute");
        QTest::addColumn<Times>("after");
        QTest::addColumn<bool>("replaced");

        const Times sevenNine{{7, 0}, {9, 0}};
        QTest::newRow("empty list appends") << Times{} << 8 << 0 << Times{{8, 0}} << false;
        QTest::newRow("between") << sevenNine << 8 << 0 << Times{{7, 0}, {8, 0}, {9, 0}} << false;
        QTest::newRow("before all")
            << sevenNine << 6 << 0 << Times{{6, 0}, {7, 0}, {9, 0}} << false;
        QTest::newRow("after all")
            << sevenNine << 10 << 0 << Times{{7, 0}, {9, 0}, {10, 0}} << false;
        QTest::newRow("same minute replaces") << sevenNine << 7 << 0 << sevenNine << true;
        QTest::newRow("one minute later is new")
            << sevenNine << 7 << 1 << Times{{7, 0}, {7, 1}, {9, 0}} << false;
        QTest::newRow("midnight and last minute")
            << Times{{0, 0}} << 23 << 59 << Times{{0, 0}, {23, 59}} << false;
        // A list loaded out of order is not sorted: the walk stops at the first later entry.
        QTest::newRow("out of order stays out of order")
            << Times{{9, 0}, {7, 0}} << 8 << 0 << Times{{8, 0}, {9, 0}, {7, 0}} << false;
        QTest::newRow("out of order, earlier minute found late")
            << Times{{9, 0}, {7, 0}} << 7 << 0 << Times{{7, 0}, {9, 0}, {7, 0}} << false;
        // Values no dialog makes but a file can hold: ordered by their true minute of day.
        QTest::newRow("hostile hours from a file keep their order")
            << Times{{-2147483647 - 1, 0}, {7, 0}} << 2147483647 << 59
            << Times{{-2147483647 - 1, 0}, {7, 0}, {2147483647, 59}} << false;
        QTest::newRow("an hour that would wrap to an earlier minute")
            << Times{{7, 0}} << 35791395 << 0 << Times{{7, 0}, {35791395, 0}} << false;
        QTest::newRow("duplicate minute replaces the first")
            << Times{{7, 0}, {7, 0}} << 7 << 0 << Times{{7, 0}, {7, 0}} << true;
    }

    void setInOrder()
    {
        QFETCH(Times, before);
        QFETCH(int, hour);
        QFETCH(int, minute);
        QFETCH(Times, after);
        QFETCH(bool, replaced);

        AlarmList list;
        fill(list, before);
        QCOMPARE(list.SetInOrder(Alarm(hour, minute).message("new")), replaced);
        QCOMPARE(timesOf(list), after);
        int marked = 0;
        for (int i = 0; i < list.GetSize(); ++i)
            marked += list[i].message == "new";
        QCOMPARE(marked, 1);
    }

    void replacingCopiesAllFields()
    {
        AlarmList list;
        fill(list, {{7, 0}});
        AlarmEntry e = Alarm(7, 0).message("\xC9\xE8\xD6\xC3");
        e.showMessage = 1;
        e.sound = "Bell.wav";
        QVERIFY(list.SetInOrder(e));
        QCOMPARE(list.GetSize(), 1);
        QCOMPARE(list[0], e);
    }

    void capacityGrowsOneFourThenByAnEighth()
    {
        AlarmList list;
        QList<int> capacities;
        for (int i = 0; i < 60; ++i) {
            list.SetAtGrow(i, Alarm(i / 60, i % 60));
            if (capacities.isEmpty() || capacities.last() != list.capacity())
                capacities.append(list.capacity());
        }
        QCOMPARE(capacities, (QList<int>{1, 5, 9, 13, 17, 21, 25, 29, 33, 37, 41, 46, 51, 57, 64}));
        QCOMPARE(list.GetSize(), 60);
        for (int i = 0; i < 60; ++i)
            QCOMPARE(list[i].minute, i);
    }

    void setAtGrowPastTheEndFillsDefaults()
    {
        AlarmList list;
        list.SetAtGrow(2, Alarm(5, 6).message("x"));
        QCOMPARE(list.GetSize(), 3);
        QCOMPARE(list.capacity(), 3);
        QCOMPARE(list[0], AlarmEntry());
        QCOMPARE(list[1], AlarmEntry());
        QCOMPARE(list[2].message, QByteArray("x"));
    }

    void removeKeepsCapacity()
    {
        AlarmList list;
        fill(list, {{6, 0}, {7, 0}, {8, 0}});
        const int capacity = list.capacity();
        list.RemoveAt(1);
        QCOMPARE(timesOf(list), (Times{{6, 0}, {8, 0}}));
        list.RemoveAt(1);
        list.RemoveAt(0);
        QCOMPARE(list.GetSize(), 0);
        QCOMPARE(list.capacity(), capacity);
        // The storage left behind is reused, and holds nothing of the removed entries.
        list.SetAtGrow(0, Alarm(9, 0));
        list.SetAtGrow(2, Alarm(10, 0));
        QCOMPARE(list.capacity(), capacity);
        QCOMPARE(list[1], AlarmEntry());
    }

    void setSizeZeroFreesStorage()
    {
        AlarmList list;
        fill(list, {{6, 0}, {7, 0}});
        list.SetSize(0);
        QCOMPARE(list.GetSize(), 0);
        QCOMPARE(list.capacity(), 0);
        list.SetAtGrow(0, Alarm(1, 1));
        QCOMPARE(list.capacity(), 1);
    }

    void insertingAnEntryOfTheListItself()
    {
        AlarmList list;
        fill(list, {{6, 0}, {7, 0}, {8, 0}, {9, 0}, {10, 0}});
        QCOMPARE(list.capacity(), 5);
        // Growing moves the storage: the source must not be read from the old one.
        list.InsertAt(0, list[4]);
        QCOMPARE(timesOf(list), (Times{{10, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}, {10, 0}}));
    }
};

QTEST_APPLESS_MAIN(TestAlarmList)
#include "tst_alarmlist.moc"
