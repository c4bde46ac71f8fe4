#pragma once

#include "alarmlist.h"
#include "clockwork.h"
#include "settings.h"

#include <QList>

#include <cstdint>
#include <optional>

// When the alarms ring next, on the local calendar. The ringing, the bell's tooltip, the
// quit's notice and the wake-up timer all ask these, so they never disagree.
namespace NextRing {

struct Next {
    int index = -1;     // into the alarm list
    int64_t minute = 0; // seconds since the epoch: a whole local minute, or a snooze's due time
    bool snooze = false;

    friend bool operator==(const Next &, const Next &) = default;
};

// The local day (days since 1970-01-01 on the local calendar) from which an alarm held back
// may ring again; the smallest value when it is not held back.
int64_t firstDay(const AlarmEntry &alarm);

// Whether the alarm may ring at this local minute (MissedAlarms::localMinute's count): it is
// the alarm's own minute of day, that minute's weekday is one of its days, it is not a
// once-alarm that has rung, not before a skip or pause ends, and alarms are switched on.
bool mayRing(const AlarmEntry &alarm, const Settings &settings, int64_t localMinute);

// The first alarm to ring after the minute of `now`; none when no alarm may ring within a
// week of the day it may ring from. Of two at one minute, the first listed.
std::optional<Next> after(const AlarmList &alarms, const Settings &settings, int64_t now);

// The midnight after the day the alarm rings next, were it not held back; 0 when it never
// rings. Skipping its next ring holds it back to that midnight.
int64_t skipTo(const AlarmEntry &alarm, int64_t now);

// The first ringing after `now`: the next alarm, or a snooze due before it whose alarm is
// still listed at its minute (a snooze rings whatever was skipped since). None while alarms
// are switched off.
std::optional<Next> next(const AlarmList &alarms, const Settings &settings,
                         const QList<Clockwork::Snoozed> &snoozed, int64_t now);

} // namespace NextRing
