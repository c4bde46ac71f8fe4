#include "nextring.h"

#include <ctime>

namespace NextRing {

std::optional<Next> after(const AlarmList &alarms, int64_t now)
{
    const time_t t = time_t(now);
    tm today{};
    localtime_r(&t, &today);
    std::optional<Next> best;
    // Eight days: today's later minutes, the six days after, and today's minute a week on.
    for (int day = 0; day <= 7; ++day) {
        for (int i = 0; i < alarms.GetSize(); ++i) {
            const AlarmEntry &alarm = alarms[i];
            if (alarm.hour < 0 || alarm.hour > 23 || alarm.minute < 0 || alarm.minute > 59)
                continue;
            tm when = today;
            when.tm_mday += day;
            when.tm_hour = alarm.hour;
            when.tm_min = alarm.minute;
            when.tm_sec = 0;
            when.tm_isdst = -1;
            const int64_t at = int64_t(mktime(&when));
            if (at <= now || !alarm.ringsOn(when.tm_wday))
                continue;
            if (!best || at < best->minute)
                best = Next{i, at};
        }
        if (best)
            return best;
    }
    return best;
}

} // namespace NextRing
