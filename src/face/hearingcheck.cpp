#include "hearingcheck.h"

#include "alarmnotices.h"
#include "audiooutput.h"
#include "clock.h"
#include "clockwork.h"
#include "notifier.h"

#include <utility>

HearingCheck::HearingCheck(AudioOutput &output, const AlarmList &alarms, const Settings &settings,
                           const Clock &clock, Notifier &notifier)
    : output(output), alarms(alarms), settings(settings), clock(clock), notifier(notifier)
{
    due.setSingleShot(true);
    due.setTimerType(Qt::VeryCoarseTimer);
    connect(&due, &QTimer::timeout, this, &HearingCheck::checkIfDue);
    connect(&output, &AudioOutput::answered, this, &HearingCheck::tellIfUnheard);
}

void HearingCheck::follow(const Clockwork &works)
{
    // The timer counts while the wall clock may jump or the machine sleep: a new minute
    // sets it again from the wall clock.
    connect(&works, &Clockwork::minuteChanged, this, &HearingCheck::rearm);
    rearm();
}

void HearingCheck::rearm()
{
    const int64_t now = clock.now();
    const auto next = memory.due(alarms, settings, now);
    if (!next) {
        due.stop();
        return;
    }
    due.start(int((next->at - now) * 1000));
}

void HearingCheck::checkIfDue()
{
    const int64_t now = clock.now();
    const auto next = memory.due(alarms, settings, now);
    if (next && next->at <= now)
        check(next->occurrence);
    rearm();
}

void HearingCheck::checkNext()
{
    check(AudibleCheck::next(alarms, settings, clock.now()));
}

void HearingCheck::check(const std::optional<AudibleCheck::Occurrence> &occurrence)
{
    if (!occurrence)
        return;
    memory.checking(*occurrence, clock.now());
    if (!awaiting.contains(*occurrence))
        awaiting.append(*occurrence);
    output.ask();
}

void HearingCheck::tellIfUnheard(const std::optional<AudibleCheck::Output> &answer)
{
    // No sound server answered: nothing is known, and nothing is said.
    const auto problem = answer ? AudibleCheck::problemOf(*answer) : AudibleCheck::Problem::None;
    for (const AudibleCheck::Occurrence &o : std::exchange(awaiting, {}))
        if (memory.tell(o, problem, clock.now()))
            notifier.inform(AlarmNotices::cannotBeHeard(o.minuteOfDay, problem));
}
