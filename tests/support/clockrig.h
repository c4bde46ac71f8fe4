#pragma once

#include "alarmbuilder.h"
#include "clockwork.h"
#include "fakeclock.h"
#include "recordinghost.h"
#include "recordingsound.h"

// One clock face without a window: the clockwork, its host, sound, clock and settings,
// with the clockwork's signals recorded on the host.
struct ClockRig {
    Settings settings;
    AlarmList alarms;
    RecordingHost host;
    RecordingSound sound;
    FakeClock clock;
    Clockwork works{settings, alarms, host, sound, clock};

    ClockRig() { host.listenTo(works); }

    // The face made at that local time.
    void startAt(int year, int month, int day, int hour, int minute, int second)
    {
        clock.setLocal(year, month, day, hour, minute, second);
        works.create();
    }
    // The alarm added and the face made a second before its minute on 6 May 2026, then
    // the tick that reaches the minute: it rings unless the settings forbid it.
    void ringAt(const AlarmEntry &alarm)
    {
        alarms.SetInOrder(alarm);
        startAt(2026, 5, 6, alarm.hour, alarm.minute - 1, 59);
        tickSeconds(1);
    }
    // Runs timers 4 and 2, those started, once a second for the given number of seconds.
    void tickSeconds(int seconds)
    {
        for (int i = 0; i < seconds; ++i) {
            clock.advanceSeconds(1);
            for (int id : {FaceTimer::limit, FaceTimer::tick})
                if (host.timers.count(id))
                    works.onTimer(id);
        }
    }
    // Runs timer 4 until a ringing ends; returns how many ticks that took (or -1).
    int limitTicksUntilStop(int max = 100)
    {
        const int ends = host.ringingEnds;
        for (int i = 1; i <= max; ++i) {
            works.onTimer(FaceTimer::limit);
            if (host.ringingEnds != ends)
                return i;
        }
        return -1;
    }
};
