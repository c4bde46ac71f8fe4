#pragma once

#include <QByteArray>

#include <cstdint>

// The persisted preferences. Field order is the settings file's order.
struct Settings {
    int32_t windowX = 0;
    int32_t windowY = 0;
    int32_t alwaysOnTop = 1;
    int32_t hideFromTaskbar = 1;
    int32_t alarmsDisabled = 0;
    int32_t limitRinging = 0;
    int32_t maxRingSeconds = 0;
    int32_t chimeOn = 0;
    int32_t chimeMinutes = 0;
    QByteArray chimeSound = QByteArrayLiteral("Ding.wav"); // GBK bytes

    friend bool operator==(const Settings &, const Settings &) = default;
};
