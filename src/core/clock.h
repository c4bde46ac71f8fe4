#pragma once

#include <cstdint>

// The wall clock, in seconds since the epoch; local fields come from localtime.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual int64_t now() const = 0;
};
