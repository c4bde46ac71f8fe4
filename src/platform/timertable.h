#pragma once

#include <QBasicTimer>
#include <QObject>

#include <array>
#include <cstddef>

// Timers by small id, as the first platform numbered them: starting a running id restarts
// it, and a timer event is looked up to the id that owns it.
template <int Count> class TimerTable
{
public:
    void start(int id, int milliseconds, QObject *receiver)
    {
        timers[size_t(id)].start(milliseconds, receiver);
    }
    void stop(int id) { timers[size_t(id)].stop(); }
    void stopAll()
    {
        for (QBasicTimer &timer : timers)
            timer.stop();
    }
    bool isActive(int id) const { return timers[size_t(id)].isActive(); }
    // The id whose timer fired, or 0 when the event is no timer of this table's.
    int idOf(int timerId) const
    {
        for (int id = 1; id <= Count; ++id)
            if (timers[size_t(id)].timerId() == timerId)
                return id;
        return 0;
    }

private:
    std::array<QBasicTimer, Count + 1> timers; // id 0 is never started
};
