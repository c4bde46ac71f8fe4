// The clock ticks for months: a tick must not allocate. Counts every malloc in the
// process while the clockwork's timers run.
#include "clockwork.h"

#include "fakeclock.h"
#include "recordingsound.h"

#include <QTest>

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<long> allocations{0};
}

// AddressSanitizer owns malloc in its builds; there the count is left to the plain build.
#if !defined(__SANITIZE_ADDRESS__)
extern "C" void *__libc_malloc(size_t size);

// Every allocation of the process passes through here (operator new calls malloc too).
extern "C" void *malloc(size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
#endif

namespace {

// A window that carries out nothing: what is measured is the clockwork alone.
class SilentHost : public FaceHost
{
public:
    void copy(Skin::Buffer, Skin::Bitmap, QPoint, QRect, bool) override {}
    void fillBlack(Skin::Buffer, QRect, bool) override {}
    void showWhole(Skin::Buffer) override {}
    void SetTimer(int, int) override {}
    void KillTimer(int) override {}
    void FlashWindow() override {}
};

} // namespace

class TestTickAllocation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ticksAllocateNothing_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<int>("secondsPerTick");
        QTest::newRow("colon") << int(FaceTimer::colon) << 0;
        QTest::newRow("runner within a minute") << int(FaceTimer::tick) << 0;
        QTest::newRow("runner and minute changes") << int(FaceTimer::tick) << 1;
        QTest::newRow("ringing animation") << int(FaceTimer::ringing) << 0;
    }

    void ticksAllocateNothing()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("malloc belongs to AddressSanitizer in this build");
#endif
        QFETCH(int, timer);
        QFETCH(int, secondsPerTick);
        Settings settings;
        settings.chimeMinutes = 0;
        AlarmList alarms;
        // A list to walk at every minute change, none of it due in the hour measured.
        for (int h = 0; h < 9; ++h)
            alarms.SetInOrder(AlarmEntry{h, 30, "M", 1, "Ring.wav"});
        SilentHost host;
        RecordingSound sound;
        FakeClock clock;
        clock.setLocal(2026, 5, 6, 10, 0, 0);
        Clockwork works(settings, alarms, host, sound, clock);
        works.create();
        // Warm up: the time zone is read on first use.
        for (int i = 0; i < 120; ++i) {
            clock.advanceSeconds(secondsPerTick);
            works.onTimer(timer);
        }
        // The count is live: one allocation here shows.
        const long probe = allocations.load();
        std::free(std::malloc(16));
        QCOMPARE(allocations.load() - probe, 1L);
        const long before = allocations.load();
        for (int i = 0; i < 3000; ++i) { // 50 minutes of ticks, 25 minute changes
            clock.advanceSeconds(secondsPerTick);
            works.onTimer(timer);
        }
        QCOMPARE(allocations.load() - before, 0L);
    }
};

QTEST_APPLESS_MAIN(TestTickAllocation)
#include "tst_tickallocation.moc"
