#pragma once

#include "clock.h"

#include <ctime>

// A clock that stands still until a test moves it. Moving it by setLocal, setUtc or
// jumpSeconds is a clock set by hand: only the wall clock moves.
class FakeClock : public Clock
{
public:
    int64_t now() const override { return t; }
    int64_t asleepMs() const override { return asleep; }
    int64_t monotonicMs() const override { return monotonic; }
    // A test changes TZ and calls tzset() itself.
    void reloadZone() const override {}

    // Local wall time, as the user's time zone reads it (month 1-12).
    void setLocal(int year, int month, int day, int hour, int minute, int second)
    {
        std::tm tm{};
        tm.tm_year = year - 1900;
        tm.tm_mon = month - 1;
        tm.tm_mday = day;
        tm.tm_hour = hour;
        tm.tm_min = minute;
        tm.tm_sec = second;
        tm.tm_isdst = -1;
        t = int64_t(std::mktime(&tm));
    }
    void setUtc(int64_t seconds) { t = seconds; }
    void jumpSeconds(int64_t s) { t += s; }
    // Time passes: with no tick in between this is a stalled process.
    void advanceSeconds(int64_t s)
    {
        t += s;
        monotonic += s * 1000;
    }
    // The machine sleeps for s seconds: the wall clock moves on, no timer runs meanwhile.
    void suspendSeconds(int64_t s)
    {
        t += s;
        asleep += s * 1000;
    }

private:
    int64_t t = 0;
    int64_t asleep = 0;
    int64_t monotonic = 0;
};
