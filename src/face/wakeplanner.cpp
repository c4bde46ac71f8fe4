#include "wakeplanner.h"

#include "alarmnotices.h"
#include "clockwork.h"
#include "nextwake.h"
#include "notifier.h"
#include "wakealarm.h"

#include <QCoreApplication>

WakePlanner::WakePlanner(WakeTimer &timer, const AlarmList &alarms, const Settings &settings,
                         const Clock &clock, Notifier &notifier, int holdOffMs)
    : timer(timer), alarms(alarms), settings(settings), clock(clock), notifier(notifier)
{
    holdOff.setSingleShot(true);
    holdOff.setInterval(holdOffMs);
    connect(&holdOff, &QTimer::timeout, this, &WakePlanner::holdOffEnded);
    connect(&timer, &WakeTimer::availabilityKnown, this, &WakePlanner::warnIfCannotWake);
}

void WakePlanner::follow(const Clockwork &clockwork)
{
    works = &clockwork;
    asleepSeen = clock.asleepMs();
    // A new minute also follows a resume; a snooze is taken as its ringing ends.
    connect(works, &Clockwork::minuteChanged, this, &WakePlanner::onMinute);
    connect(works, &Clockwork::ringingEnded, this, &WakePlanner::rearm);
    connect(works, &Clockwork::ringingStarted, this, &WakePlanner::endHoldOff);
    rearm();
}

void WakePlanner::rearm()
{
    timer.arm(NextWake::at(alarms, settings, works ? works->snoozed() : QList<Clockwork::Snoozed>{},
                           clock.now()));
}

void WakePlanner::onMinute()
{
    // Asked before the timer moves on to the next wake-up.
    const std::optional<int64_t> armed = timer.armed();
    const int64_t asleep = clock.asleepMs();
    const int64_t now = clock.now();
    if (asleep > asleepSeen && armed && now >= *armed - earlyResumeSeconds &&
        now < *armed + NextWake::leadSeconds && !holdOff.isActive()) {
        holdOff.start();
        Q_EMIT holdOffStarted();
    }
    asleepSeen = asleep;
    rearm();
}

void WakePlanner::endHoldOff()
{
    if (!holdOff.isActive())
        return;
    holdOff.stop();
    Q_EMIT holdOffEnded();
}

std::optional<bool> WakePlanner::canWake() const
{
    return timer.available();
}

void WakePlanner::warnIfCannotWake()
{
    // Once, for alarms the user set here: a start with alarms already set stays quiet.
    if (wakeWarned || !alarmsSetHere || canWake() != false ||
        !NextWake::at(alarms, settings, {}, clock.now()))
        return;
    wakeWarned = true;
    notifier.inform(AlarmNotices::cannotWake(QCoreApplication::applicationDirPath() +
                                             QStringLiteral("/zelka-wake")));
}
