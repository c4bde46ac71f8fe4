#pragma once

#include "alarmlist.h"
#include "settings.h"

#include <QList>

#include <cstdint>

// Which alarms a minute change rings and which it reports, whatever kept the ticks away:
// a suspend, a stalled process or another alarm ringing.
namespace MissedAlarms {

// An alarm late by more than this is reported, never rung.
inline constexpr int64_t maxLateSeconds = 60 * 60;

struct Occurrence {
    int index = -1;     // into the alarm list
    int64_t minute = 0; // seconds since the epoch, whole local minute

    friend bool operator==(const Occurrence &, const Occurrence &) = default;
};

struct Decision {
    Occurrence rings;           // index -1 when nothing rings; late when before `to`
    QList<Occurrence> reported; // the other alarms due, oldest first
};

// Minutes since 1970-01-01 00:00 on the local calendar: it repeats on the night the clocks
// go back and skips the minutes they jump over going forward.
int64_t localMinute(int64_t t);

// The alarms due at the whole minutes [from, to] (seconds since the epoch), each local
// minute matched by NextRing::mayRing. Local minutes up to `seen` were matched before: an hour
// the clocks repeat never rings twice. A local minute the clocks skip is due at the first
// minute after the gap, as phone clocks have it. Before `to` each alarm counts once, at its
// latest minute within the last day. An alarm of minute `to` rings on time; when several
// are due then (a skipped one and the one of the minute after the gap), the latest rings
// and the others are reported: the user hears one and reads of the rest. With none due at
// `to`, the latest earlier one rings late unless it is later than maxLateSeconds.
Decision decide(const AlarmList &alarms, const Settings &settings, int64_t from, int64_t to,
                int64_t seen);

} // namespace MissedAlarms
