#include "pendingsave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSemaphore>
#include <QTest>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

namespace {

// The snapshot a test's encoder hands over: just a label.
std::optional<Encoded> snapshot(const QByteArray &label)
{
    return Encoded{label, std::nullopt};
}

} // namespace

class TestPendingSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aBurstOfEditsIsSavedOnceWithinASecond()
    {
        constexpr int delay = 50;
        std::atomic<int> saves = 0;
        QElapsedTimer sinceFirst;
        std::atomic<qint64> savedAfter = -1;
        PendingSave pending([] { return snapshot("s"); },
                            [&](const QByteArray &) -> std::optional<FileFailure> {
                                if (++saves == 1)
                                    savedAfter = sinceFirst.elapsed();
                                return std::nullopt;
                            },
                            [](const FileFailure &) { QFAIL("nothing failed"); }, delay);
        sinceFirst.start();
        for (int i = 0; i < 3; ++i) {
            pending.schedule();
            QTest::qWait(5);
        }
        QVERIFY(QTest::qWaitFor([&] { return saves > 0; }, 1000));
        QTest::qWait(2 * delay);
        QCOMPARE(saves, 1);
        QVERIFY(!pending.isBusy());

        // A steady stream of edits: the first starts the wait, later ones do not put it off.
        saves = 0;
        sinceFirst.restart();
        while (sinceFirst.elapsed() < 6 * delay) {
            pending.schedule();
            QTest::qWait(5);
        }
        QVERIFY(QTest::qWaitFor([&] { return !pending.isBusy(); }, 1000));
        QVERIFY2(savedAfter >= 0 && savedAfter < 6 * delay,
                 qPrintable(QString::number(savedAfter)));
    }

    void cancelledBeforeItRunsSavesNothing()
    {
        std::atomic<int> saves = 0;
        PendingSave pending(
            [] { return snapshot("s"); },
            [&](const QByteArray &) -> std::optional<FileFailure> { return ++saves, std::nullopt; },
            [](const FileFailure &) {});
        pending.schedule();
        pending.cancel();
        QTest::qWait(2 * PendingSave::delayMs);
        QCOMPARE(saves, 0);
    }

    // Each step: does the save fail, and is a warning expected for it. With modal, the
    // warning runs an event loop, as a message box does, in which the later steps happen.
    void failuresWarnOnceUntilASaveSucceeds_data()
    {
        QTest::addColumn<QList<bool>>("fails");
        QTest::addColumn<QList<bool>>("warned");
        QTest::addColumn<bool>("modal");
        QTest::newRow("fails three times: one warning")
            << QList<bool>{true, true, true} << QList<bool>{true, false, false} << false;
        QTest::newRow("fails, succeeds, fails again: warned again")
            << QList<bool>{true, false, true} << QList<bool>{true, false, true} << false;
        QTest::newRow("never fails: no warning")
            << QList<bool>{false, false} << QList<bool>{false, false} << false;
        QTest::newRow("fails again while the warning is open: no second warning")
            << QList<bool>{true, true} << QList<bool>{true, false} << true;
    }

    void failuresWarnOnceUntilASaveSucceeds()
    {
        QFETCH(QList<bool>, fails);
        QFETCH(QList<bool>, warned);
        QFETCH(bool, modal);
        int step = -1;
        QList<QString> warnings, expected;
        std::function<void()> steps;
        PendingSave pending([&] { return snapshot(QByteArray::number(step)); },
                            [&](const QByteArray &label) -> std::optional<FileFailure> {
                                if (fails[label.toInt()])
                                    return FileFailure{FailureKind::Write,
                                                       QStringLiteral("disk full ") +
                                                           QLatin1String(label)};
                                return std::nullopt;
                            },
                            [&](const FileFailure &f) {
                                warnings.append(f.message);
                                if (modal)
                                    steps();
                            },
                            0);
        steps = [&] {
            while (++step < fails.size()) {
                if (warned[step])
                    expected.append(QStringLiteral("disk full %1").arg(step));
                pending.schedule();
                QVERIFY(QTest::qWaitFor([&] { return !pending.isBusy(); }, 1000));
            }
        };
        steps();
        // The warning names what the failed save said, and comes back to the owner's thread.
        QCOMPARE(warnings, expected);
    }

    // Snapshots taken while the disk holds the first write up: the owner's thread goes on
    // (its timer fires), and after the first only the newest is written, unless a quit
    // takes over, whose own save then writes everything.
    void aSlowDiskHoldsUpOnlyTheWriter_data()
    {
        QTest::addColumn<int>("meanwhile");
        QTest::addColumn<bool>("quit");
        QTest::addColumn<QByteArrayList>("written");
        QTest::newRow("none meanwhile") << 0 << false << QByteArrayList{"0"};
        QTest::newRow("one meanwhile: written next") << 1 << false << QByteArrayList{"0", "1"};
        QTest::newRow("three meanwhile: the newest wins") << 3 << false << QByteArrayList{"0", "3"};
        QTest::newRow("a quit meanwhile: left to the quit's save")
            << 3 << true << QByteArrayList{"0"};
    }

    void aSlowDiskHoldsUpOnlyTheWriter()
    {
        QFETCH(int, meanwhile);
        QFETCH(bool, quit);
        QFETCH(QByteArrayList, written);
        int edit = 0;
        QSemaphore started, disk;
        std::mutex order;
        QByteArrayList writes;
        int warnings = 0;
        PendingSave pending([&] { return snapshot(QByteArray::number(edit)); },
                            [&](const QByteArray &label) -> std::optional<FileFailure> {
                                started.release();
                                if (label == "0")
                                    disk.acquire();
                                const std::lock_guard lock(order);
                                writes.append(label);
                                if (label == "9")
                                    return FileFailure{FailureKind::Write, QStringLiteral("full")};
                                return std::nullopt;
                            },
                            [&](const FileFailure &) { ++warnings; }, 0);
        pending.schedule();
        QVERIFY(QTest::qWaitFor([&] { return started.available() == 1; }, 1000));
        for (edit = 1; edit <= meanwhile; ++edit) {
            pending.schedule();
            QVERIFY(QTest::qWaitFor([&] { return !pending.isScheduled(); }, 1000));
        }
        // A quit cannot take the file from a write still under way.
        if (quit)
            QVERIFY(!pending.drain(std::chrono::milliseconds(20)));
        disk.release();
        QVERIFY(QTest::qWaitFor([&] { return !pending.isBusy(); }, 5000));
        QVERIFY(pending.drain(std::chrono::milliseconds(0)));
        // Saves after a drain go on, and their failures are warned of again.
        edit = 9;
        pending.schedule();
        QVERIFY(QTest::qWaitFor([&] { return !pending.isBusy(); }, 5000));
        QCOMPARE(warnings, 1);
        const std::lock_guard lock(order);
        QCOMPARE(writes, written + QByteArrayList{"9"});
    }
};

QTEST_GUILESS_MAIN(TestPendingSave)
#include "tst_pendingsave.moc"
