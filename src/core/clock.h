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
};
