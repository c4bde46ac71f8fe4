#pragma once

#include "alarmlist.h"

// One alarm entry for a test, plain daily "Ring.wav" unless a call says otherwise:
// Alarm(7, 30).sound("Bell.wav").message("WAKE UP").days(0x3E).flags(1)
class Alarm
{
public:
    Alarm(int hour, int minute) : e{hour, minute, {}, 0, "Ring.wav"} {}
    Alarm &sound(const char *file) { return set(&AlarmEntry::sound, QByteArray(file)); }
    // The message, shown when it stops unless shown is false.
    Alarm &message(const char *text, bool shown = true)
    {
        e.showMessage = shown;
        return set(&AlarmEntry::message, QByteArray(text));
    }
    Alarm &days(int weekdays) { return set(&AlarmEntry::weekdays, uint8_t(weekdays)); }
    Alarm &flags(int onceFlags) { return set(&AlarmEntry::onceFlags, uint8_t(onceFlags)); }
    operator AlarmEntry() const { return e; }

private:
    template <typename T> Alarm &set(T AlarmEntry::*field, T value)
    {
        e.*field = std::move(value);
        return *this;
    }
    AlarmEntry e;
};
