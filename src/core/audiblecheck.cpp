#include "audiblecheck.h"

#include "nextring.h"

namespace AudibleCheck {

Problem problemOf(const Output &output)
{
    if (!output.present)
        return Problem::NoDevice;
    if (output.muted)
        return Problem::Muted;
    return output.volume < quietBelow ? Problem::Quiet : Problem::None;
}

std::optional<Occurrence> next(const AlarmList &alarms, const Settings &settings, int64_t now)
{
    if (settings.alarmsDisabled)
        return std::nullopt;
    const std::optional<NextRing::Next> n = NextRing::after(alarms, settings, now);
    if (!n)
        return std::nullopt;
    return Occurrence{n->minute, int(alarms[n->index].minuteOfDay())};
}

std::optional<Memory::Due> Memory::due(const AlarmList &alarms, const Settings &settings,
                                       int64_t now) const
{
    // Skips the ringings already checked within their lead; a week's alarms at most.
    std::optional<Occurrence> o = next(alarms, settings, now);
    while (o && checkedInLead.contains(o->minute))
        o = next(alarms, settings, o->minute);
    if (!o)
        return std::nullopt;
    return Due{std::max(now, o->minute - leadSeconds), *o};
}

void Memory::checking(const Occurrence &occurrence, int64_t now)
{
    forgetPassed(now);
    if (now >= occurrence.minute - leadSeconds && !checkedInLead.contains(occurrence.minute))
        checkedInLead.append(occurrence.minute);
}

bool Memory::tell(const Occurrence &occurrence, Problem problem, int64_t now)
{
    forgetPassed(now);
    if (problem == Problem::None || occurrence.minute <= now || told.contains(occurrence.minute))
        return false;
    told.append(occurrence.minute);
    return true;
}

void Memory::forgetPassed(int64_t now)
{
    // A ringing that has passed never comes next again.
    const auto passed = [now](int64_t minute) { return minute <= now; };
    checkedInLead.removeIf(passed);
    told.removeIf(passed);
}

} // namespace AudibleCheck
