#pragma once

#include "wakealarm.h"

// A wake-up timer that arms nothing: it keeps the time it was given.
class FakeWakeTimer : public WakeTimer
{
public:
    void arm(std::optional<int64_t> at) override { held = at; }
    std::optional<bool> available() const override { return true; }
    std::optional<int64_t> armed() const override { return held; }

    std::optional<int64_t> held;
};
