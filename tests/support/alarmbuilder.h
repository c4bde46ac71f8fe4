#pragma once

#include "alarmlist.h"

// One alarm entry for a test, plain daily "Ring.wav" unless a call says otherwise:
// Alarm(7, 30).sound("Bell.wav").message("WAKE UP").days(0x3E).once()
class Alarm
{
public:
    Alarm(int hour, int minute)
    {
        e.hour = hour;
        e.minute = minute;
        e.sound = "Ring.wav";
    }
    Alarm &sound(const char *file)
    {
        e.sound = file;
        return *this;
    }
    // The message, shown when it stops unless shown is false.
    Alarm &message(const char *text, bool shown = true)
    {
        e.message = text;
        e.showMessage = shown;
        return *this;
    }
    Alarm &days(int weekdays)
    {
        e.weekdays = uint8_t(weekdays);
        return *this;
    }
    Alarm &flags(int onceFlags)
    {
        e.onceFlags = uint8_t(onceFlags);
        return *this;
    }
    Alarm &once() { return flags(AlarmEntry::once); }
    operator AlarmEntry() const { return e; }

private:
    AlarmEntry e;
};
