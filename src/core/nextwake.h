#pragma once

#include "alarmlist.h"
#include "clockwork.h"
#include "settings.h"

#include <QList>

#include <cstdint>
#include <optional>

// When a suspended machine must wake for the clock to ring on time.
namespace NextWake {

// The machine wakes this long before the minute it rings, to resume and settle first.
inline constexpr int64_t leadSeconds = 120;

// Seconds since the epoch: the earliest ringing to come, an alarm's next minute or a snooze
// of an alarm still listed, less the lead; never `now` or before (such a ringing gives way to
// the one after it). None while alarms are switched off or nothing will ring.
std::optional<int64_t> at(const AlarmList &alarms, const Settings &settings,
                          const QList<Clockwork::Snoozed> &snoozed, int64_t now);

} // namespace NextWake
