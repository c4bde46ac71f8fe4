#include "nextwake.h"

#include "nextring.h"

namespace NextWake {

std::optional<int64_t> at(const AlarmList &alarms, const Settings &settings,
                          const QList<Clockwork::Snoozed> &snoozed, int64_t now)
{
    // The first ringing whose lead has not begun yet.
    if (const auto next = NextRing::next(alarms, settings, snoozed, now + leadSeconds))
        return next->minute - leadSeconds;
    return std::nullopt;
}

} // namespace NextWake
