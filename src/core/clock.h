#pragma once

#include <cstdint>

// The wall clock, in seconds since the epoch; local fields come from localtime.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual int64_t now() const = 0;
    // How long the machine has been suspended since it booted, in milliseconds: time that
    // passed for the wall clock while no timer of ours could run.
    virtual int64_t asleepMs() const = 0;
    // A clock no one can set, in milliseconds: it runs on while the process is stopped or
    // busy and stands still while the machine sleeps.
    virtual int64_t monotonicMs() const = 0;
    // Reads the local time zone again, so that a zone changed under a running clock shows.
    virtual void reloadZone() const = 0;
};
