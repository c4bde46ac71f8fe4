#include "pendingsave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <optional>

class TestPendingSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aBurstOfEditsIsSavedOnceWithinASecond()
    {
        int saves = 0;
        QElapsedTimer sinceFirst;
        qint64 savedAfter = -1;
        PendingSave pending(
            [&]() -> std::optional<FileFailure> {
                ++saves;
                savedAfter = sinceFirst.elapsed();
                return std::nullopt;
            },
            [](const FileFailure &) { QFAIL("nothing failed"); });
        sinceFirst.start();
        for (int i = 0; i < 3; ++i) {
            pending.schedule();
            QTest::qWait(20);
        }
        QVERIFY(QTest::qWaitFor([&] { return saves > 0; }, 1000));
        QTest::qWait(2 * PendingSave::delayMs);
        QCOMPARE(saves, 1);
        // The first edit of the burst starts the wait; later ones do not put it off.
        QVERIFY2(savedAfter < PendingSave::delayMs + 150, qPrintable(QString::number(savedAfter)));
        QVERIFY(!pending.isScheduled());

        pending.schedule();
        QVERIFY(QTest::qWaitFor([&] { return saves == 2; }, 1000));
    }

    void cancelledBeforeItRunsSavesNothing()
    {
        int saves = 0;
        PendingSave pending([&]() -> std::optional<FileFailure> { return ++saves, std::nullopt; },
                            [](const FileFailure &) {});
        pending.schedule();
        pending.cancel();
        QTest::qWait(2 * PendingSave::delayMs);
        QCOMPARE(saves, 0);
    }

    // Each step: does the save fail, and is a warning expected for it.
    void failuresWarnOnceUntilASaveSucceeds_data()
    {
        QTest::addColumn<QList<bool>>("fails");
        QTest::addColumn<QList<bool>>("warned");
        QTest::newRow("fails three times: one warning")
            << QList<bool>{true, true, true} << QList<bool>{true, false, false};
        QTest::newRow("fails, succeeds, fails again: warned again")
            << QList<bool>{true, false, true} << QList<bool>{true, false, true};
        QTest::newRow("never fails: no warning")
            << QList<bool>{false, false} << QList<bool>{false, false};
    }

    void failuresWarnOnceUntilASaveSucceeds()
    {
        QFETCH(QList<bool>, fails);
        QFETCH(QList<bool>, warned);
        int step = 0;
        QList<QString> warnings;
        PendingSave pending(
            [&]() -> std::optional<FileFailure> {
                if (fails[step])
                    return FileFailure{8, QStringLiteral("disk full %1").arg(step)};
                return std::nullopt;
            },
            [&](const FileFailure &f) { warnings.append(f.message); });
        QList<QString> expected;
        for (step = 0; step < fails.size(); ++step) {
            pending.schedule();
            QVERIFY(QTest::qWaitFor([&] { return !pending.isScheduled(); }, 1000));
            if (warned[step])
                expected.append(QStringLiteral("disk full %1").arg(step));
        }
        // The warning names what the failed save said; the program is still here to say it.
        QCOMPARE(warnings, expected);
    }
};

QTEST_GUILESS_MAIN(TestPendingSave)
#include "tst_pendingsave.moc"
