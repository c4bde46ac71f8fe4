#pragma once

#include "alarmlist.h"

#include <cstdint>
#include <optional>

// When the alarms ring next, on the local calendar.
namespace NextRing {

struct Next {
    int index = -1;     // into the alarm list
    int64_t minute = 0; // seconds since the epoch, whole local minute

    friend bool operator==(const Next &, const Next &) = default;
};

// The first alarm to ring after the minute of `now`, within the coming week; none when no
// alarm is on, or none has a time a clock can show. Of two at one minute, the first listed.
std::optional<Next> after(const AlarmList &alarms, int64_t now);

} // namespace NextRing
