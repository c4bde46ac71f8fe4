#include "nextring.h"

#include "missedalarms.h"

#include <QDateTime>

#include <algorithm>
#include <ctime>
#include <limits>

namespace NextRing {

namespace {

constexpr int64_t minutesPerDay = 24 * 60;

int64_t floorDiv(int64_t a, int64_t b)
{
    return a / b - (a % b < 0 ? 1 : 0);
}

// The civil date of a day count from 1970-01-01 (Howard Hinnant's days_from_civil inverse).
void civilFromDays(int64_t z, int &year, int &month, int &day)
{
    z += 719468;
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

} // namespace

int64_t firstDay(const AlarmEntry &alarm)
{
    if (alarm.notBefore == 0)
        return std::numeric_limits<int64_t>::min();
    // Rounded to the nearest midnight: a zone changed since it was set moves it by hours.
    return floorDiv(MissedAlarms::localMinute(alarm.notBefore) + minutesPerDay / 2, minutesPerDay);
}

bool mayRing(const AlarmEntry &alarm, const Settings &settings, int64_t localMinute)
{
    const int64_t day = floorDiv(localMinute, minutesPerDay);
    const int weekday = int((day % 7 + 11) % 7); // 1 January 1970 was a Thursday
    return !settings.alarmsDisabled && alarm.minuteOfDay() == localMinute - day * minutesPerDay &&
           alarm.ringsOn(weekday) && day >= firstDay(alarm);
}

std::optional<Next> after(const AlarmList &alarms, const Settings &settings, int64_t now)
{
    const int64_t today = floorDiv(MissedAlarms::localMinute(now), minutesPerDay);
    std::optional<Next> best;
    for (int i = 0; i < alarms.GetSize(); ++i) {
        const AlarmEntry &alarm = alarms[i];
        if (alarm.hour < 0 || alarm.hour > 23 || alarm.minute < 0 || alarm.minute > 59)
            continue;
        const int64_t from = std::max(today, firstDay(alarm));
        // Eight days: the first day's later minutes, the six after, and its minute a week on.
        for (int64_t day = from; day <= from + 7; ++day) {
            if (!mayRing(alarm, settings, day * minutesPerDay + alarm.minuteOfDay()))
                continue;
            tm when{};
            civilFromDays(day, when.tm_year, when.tm_mon, when.tm_mday);
            when.tm_year -= 1900;
            when.tm_mon -= 1;
            when.tm_hour = alarm.hour;
            when.tm_min = alarm.minute;
            when.tm_isdst = -1;
            const int64_t local = day * minutesPerDay + alarm.minuteOfDay();
            int64_t at = int64_t(mktime(&when));
            // A minute the clocks jump over rings at the jump, as the clockwork rings it.
            while (MissedAlarms::localMinute(at) < local)
                at += 60;
            while (MissedAlarms::localMinute(at - 60) >= local)
                at -= 60;
            // A minute the clocks repeat rings the first time round.
            if (MissedAlarms::localMinute(at - 3600) == local)
                at -= 3600;
            if (at <= now)
                continue;
            if (!best || at < best->minute)
                best = Next{i, at};
            break;
        }
    }
    return best;
}

int64_t skipTo(const AlarmEntry &alarm, int64_t now)
{
    AlarmList one;
    AlarmEntry free = alarm;
    free.notBefore = 0;
    one.SetAtGrow(0, free);
    const std::optional<Next> next = after(one, Settings(), now);
    if (!next)
        return 0;
    return QDateTime::fromSecsSinceEpoch(next->minute)
        .date()
        .addDays(1)
        .startOfDay()
        .toSecsSinceEpoch();
}

std::optional<Next> next(const AlarmList &alarms, const Settings &settings,
                         const QList<Clockwork::Snoozed> &snoozed, int64_t now)
{
    std::optional<Next> best = after(alarms, settings, now);
    if (settings.alarmsDisabled)
        return best;
    for (const Clockwork::Snoozed &s : snoozed) {
        if (s.dueAt <= now || (best && best->minute <= s.dueAt))
            continue;
        for (int i = 0; i < alarms.GetSize(); ++i) {
            if (alarms[i].minuteOfDay() == s.alarmMinute) {
                best = Next{i, s.dueAt, true};
                break;
            }
        }
    }
    return best;
}

} // namespace NextRing
