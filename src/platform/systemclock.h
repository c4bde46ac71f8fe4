#pragma once

#include "clock.h"

#include <ctime>

class SystemClock : public Clock
{
public:
    int64_t now() const override { return int64_t(std::time(nullptr)); }
};
