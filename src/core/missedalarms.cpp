#include "missedalarms.h"

#include "clockwork.h"
#include "nextring.h"

#include <algorithm>

namespace MissedAlarms {

namespace {

constexpr int64_t minutesPerDay = 24 * 60;

int64_t floorDiv(int64_t a, int64_t b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

} // namespace

int64_t localMinute(int64_t t)
{
    return floorDiv(t + localFields(t).tm_gmtoff, 60);
}

Decision decide(const AlarmList &alarms, const Settings &settings, int64_t from, int64_t to,
                int64_t seen)
{
    Decision d;
    QList<Occurrence> due; // at minute `to`
    const int64_t first = std::max(from, to - minutesPerDay * 60);
    seen = std::max(seen, localMinute(first - 60));
    for (int64_t minute = first; minute <= to; minute += 60) {
        QList<Occurrence> &found = minute == to ? due : d.reported;
        const int64_t reached = localMinute(minute);
        for (int64_t local = seen + 1; local <= reached; ++local) {
            for (int i = 0; i < alarms.GetSize(); ++i) {
                if (!NextRing::mayRing(alarms[i], settings, local))
                    continue;
                found.removeIf([i](const Occurrence &o) { return o.index == i; });
                found.append({i, minute});
            }
        }
        seen = std::max(seen, reached);
    }
    if (!due.isEmpty()) {
        d.rings = due.takeLast();
        d.reported.append(due);
    } else if (!d.reported.isEmpty() && to - d.reported.last().minute <= maxLateSeconds) {
        d.rings = d.reported.takeLast();
    }
    return d;
}

} // namespace MissedAlarms
