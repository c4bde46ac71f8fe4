#include "missedalarms.h"

#include "clockwork.h"

#include <algorithm>

namespace MissedAlarms {

QList<Occurrence> passed(const AlarmList &alarms, int64_t from, int64_t to)
{
    QList<Occurrence> found;
    // Every alarm's latest minute lies within the last day of the window, however long it is.
    const int64_t first = std::max(from, to - 24 * 60 * 60);
    for (int64_t minute = to - 60; minute >= first && found.size() < alarms.GetSize();
         minute -= 60) {
        const std::tm local = localFields(minute);
        const int64_t ofDay = int64_t(local.tm_hour) * 60 + local.tm_min;
        for (int i = 0; i < alarms.GetSize(); ++i) {
            const bool seen = std::any_of(found.cbegin(), found.cend(),
                                          [i](const Occurrence &o) { return o.index == i; });
            if (alarms[i].minuteOfDay() == ofDay && alarms[i].ringsOn(local.tm_wday) && !seen)
                found.append({i, minute});
        }
    }
    std::reverse(found.begin(), found.end());
    return found;
}

Decision decide(const AlarmList &alarms, int64_t from, int64_t to, bool ringsOnTime)
{
    Decision d;
    d.reported = passed(alarms, from, to);
    if (!ringsOnTime && !d.reported.isEmpty() && to - d.reported.last().minute <= maxLateSeconds)
        d.ringLate = d.reported.takeLast();
    return d;
}

} // namespace MissedAlarms
