#include "nextwake.h"

#include "nextring.h"

namespace NextWake {

std::optional<int64_t> at(const AlarmList &alarms, const Settings &settings,
                          const QList<Clockwork::Snoozed> &snoozed, int64_t now)
{
    if (settings.alarmsDisabled)
        return std::nullopt;
    std::optional<int64_t> best;
    // The first minute whose lead has not begun yet.
    if (const auto next = NextRing::after(alarms, now + leadSeconds))
        best = next->minute - leadSeconds;
    for (const Clockwork::Snoozed &s : snoozed) {
        const int64_t wake = s.dueAt - leadSeconds;
        if (wake <= now || (best && *best <= wake))
            continue;
        // A snooze rings only while its alarm is still at that minute.
        for (int i = 0; i < alarms.GetSize(); ++i) {
            if (alarms[i].minuteOfDay() == s.alarmMinute) {
                best = wake;
                break;
            }
        }
    }
    return best;
}

} // namespace NextWake
