#pragma once

#include "alarmlist.h"

#include <QList>

#include <cstdint>

// What to do about the alarms whose minute passed while the machine slept.
namespace MissedAlarms {

// An alarm late by more than this is reported, never rung.
inline constexpr int64_t maxLateSeconds = 60 * 60;

struct Occurrence {
    int index = -1;     // into the alarm list
    int64_t minute = 0; // seconds since the epoch, whole local minute

    friend bool operator==(const Occurrence &, const Occurrence &) = default;
};

struct Decision {
    Occurrence ringLate;        // index -1 when nothing rings late
    QList<Occurrence> reported; // the other missed alarms, oldest first
};

// Each alarm's latest minute in [from, to) (whole minutes, seconds since the epoch), matched
// by local hour, minute and weekday exactly as a tick matches it; oldest first.
QList<Occurrence> passed(const AlarmList &alarms, int64_t from, int64_t to);

// The latest alarm missed by at most maxLateSeconds rings now, unless one rings on time at
// minute `to`; every other missed alarm is reported.
Decision decide(const AlarmList &alarms, int64_t from, int64_t to, bool ringsOnTime);

} // namespace MissedAlarms
