#pragma once

#include "clock.h"

#include <ctime>

class SystemClock : public Clock
{
public:
    int64_t now() const override { return int64_t(std::time(nullptr)); }
    // The boot-time clock goes on counting through a suspend; the monotonic one stops.
    int64_t asleepMs() const override
    {
        return milliseconds(CLOCK_BOOTTIME) - milliseconds(CLOCK_MONOTONIC);
    }

private:
    static int64_t milliseconds(clockid_t id)
    {
        timespec ts{};
        clock_gettime(id, &ts);
        return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }
};
