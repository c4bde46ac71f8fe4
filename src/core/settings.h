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
    // Kept in the file's extension after the alarms, only when they differ from these.
    int32_t snoozeMinutes = defaultSnoozeMinutes;
    int32_t gentleSeconds = 0;
    // A snooze waiting to ring, kept across a restart: its alarm's record index (-1 none)
    // and when it is due, in seconds since the epoch. Written at the snooze, gone once it rings.
    int32_t snoozedRecord = -1;
    int64_t snoozedDueAt = 0;

    static constexpr int32_t defaultSnoozeMinutes = 9;
    static constexpr int32_t maxSnoozeMinutes = 60;
    static constexpr int32_t maxGentleSeconds = 120;
    // Stored values may be anything; these are what the clock uses.
    int32_t snoozeUsed() const
    {
        return snoozeMinutes < 1                  ? 1
               : snoozeMinutes > maxSnoozeMinutes ? maxSnoozeMinutes
                                                  : snoozeMinutes;
    }
    int32_t gentleUsed() const
    {
        return gentleSeconds < 0                  ? 0
               : gentleSeconds > maxGentleSeconds ? maxGentleSeconds
                                                  : gentleSeconds;
    }

    friend bool operator==(const Settings &, const Settings &) = default;
};
