#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

// One alarm. Strings hold GBK bytes, as the settings file stores them.
struct AlarmEntry {
    static constexpr uint8_t everyDay = 0x7F; // bit 0 Sunday ... bit 6 Saturday
    static constexpr uint8_t once = 1;        // onceFlags: rings once, then switches off
    static constexpr uint8_t done = 2;        // onceFlags: a once-alarm that has rung

    int32_t hour = 0;
    int32_t minute = 0;
    QByteArray message;
    int32_t showMessage = 0;
    QByteArray sound;
    uint8_t weekdays = everyDay;
    uint8_t onceFlags = 0;
    // Seconds since the epoch of the local midnight from which the alarm may ring again
    // (a skipped ring, a pause); 0 when it is not held back.
    int64_t notBefore = 0;

    // In 64 bits: hour and minute come from a file and may hold any value.
    int64_t minuteOfDay() const { return int64_t(hour) * 60 + minute; }
    // Whether the alarm rings on a day with this weekday (0 Sunday ... 6 Saturday).
    bool ringsOn(int weekday) const
    {
        return weekday >= 0 && weekday < 7 && (weekdays >> weekday & 1) != 0 && !isDone();
    }
    bool isOnce() const { return (onceFlags & once) != 0; }
    bool isDone() const { return (onceFlags & (once | done)) == (once | done); }
    // Whether the settings file needs its extension to keep this entry as it is.
    bool isPlainDaily() const { return weekdays == everyDay && onceFlags == 0; }
    friend bool operator==(const AlarmEntry &, const AlarmEntry &) = default;
};

// The growable array of alarms, kept in time order by SetInOrder. Its growth rule is
// part of its contract: capacities 1, 5, 9, 13, ... when built one entry at a time,
// and removing never shrinks the storage.
class AlarmList
{
public:
    AlarmList() = default;
    AlarmList(const AlarmList &) = delete;
    AlarmList &operator=(const AlarmList &) = delete;

    int GetSize() const { return count; }
    int capacity() const { return slots; }
    const AlarmEntry &operator[](int i) const { return storage[i]; }
    AlarmEntry &operator[](int i) { return storage[i]; }

    void SetAtGrow(int i, const AlarmEntry &entry);
    void SetAt(int i, const AlarmEntry &entry) { storage[i] = entry; }
    void InsertAt(int i, const AlarmEntry &entry);
    void RemoveAt(int i);
    // Only SetSize(0) is used: release every entry and the storage.
    void SetSize(int newSize);
    // Puts the entry at its place by minute of day; true when it replaced an entry
    // with the same minute, false when it added one.
    bool SetInOrder(const AlarmEntry &entry);

private:
    void growTo(int needed);

    std::unique_ptr<AlarmEntry[]> storage;
    int count = 0;
    int slots = 0;
};
