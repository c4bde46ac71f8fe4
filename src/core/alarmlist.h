#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>

// One daily alarm. Strings hold GBK bytes, as the settings file stores them.
struct AlarmEntry {
    int32_t hour = 0;
    int32_t minute = 0;
    QByteArray message;
    int32_t showMessage = 0;
    QByteArray sound;

    // In 64 bits: hour and minute come from a file and may hold any value.
    int64_t minuteOfDay() const { return int64_t(hour) * 60 + minute; }
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
