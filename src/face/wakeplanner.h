#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <optional>

class AlarmList;
class Clock;
class Clockwork;
class Notifier;
class WakeTimer;
struct Settings;

// Keeps the wake-up timer on the next alarm, says once when a suspended machine cannot be
// woken, and holds sleep off for a while after a wake-up this timer caused, so that an idle
// policy does not put the machine straight back to sleep before the alarm rings.
class WakePlanner : public QObject
{
    Q_OBJECT

public:
    // How long sleep is held off after our own wake-up, at most.
    static constexpr int holdOffMs = 5 * 60 * 1000;
    // A resume this long before the armed time, or up to the alarm's minute after it, is
    // taken for the timer's own.
    static constexpr int64_t earlyResumeSeconds = 60;

    WakePlanner(WakeTimer &timer, const AlarmList &alarms, const Settings &settings,
                const Clock &clock, Notifier &notifier, int holdOffMs = WakePlanner::holdOffMs);

    // Follows that clockwork's minutes (a resume shows as one), ringings and snoozes, and
    // arms the timer for the first time.
    void follow(const Clockwork &works);
    // The alarms or the settings changed.
    void rearm();
    // The user set alarms in the alarm dialog: from now on a machine that cannot wake is told.
    void alarmsSetByUser() { alarmsSetHere = true; }
    // Says once that a suspended machine cannot be woken, for alarms the user set here.
    void warnIfCannotWake();
    // Whether a suspended machine wakes for the alarms; none while not known.
    std::optional<bool> canWake() const;
    bool holdingOff() const { return holdOff.isActive(); }

Q_SIGNALS:
    // Sleep is to be held off: our timer woke the machine for an alarm still to ring.
    void holdOffStarted();
    // The alarm rang or the hold-off's time is up.
    void holdOffEnded();

private:
    void onMinute();
    void endHoldOff();

    WakeTimer &timer;
    const AlarmList &alarms;
    const Settings &settings;
    const Clock &clock;
    Notifier &notifier;
    const Clockwork *works = nullptr;
    QTimer holdOff;
    int64_t asleepSeen = 0; // the clock's asleepMs() at the last minute seen
    bool alarmsSetHere = false;
    bool wakeWarned = false;
};
