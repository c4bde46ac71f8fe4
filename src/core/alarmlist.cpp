#include "alarmlist.h"

#include <algorithm>
#include <utility>

void AlarmList::growTo(int needed)
{
    if (needed <= slots) {
        // Slots beyond the count may hold moved-from or removed entries: reset them.
        for (int i = count; i < needed; ++i)
            storage[i] = AlarmEntry();
        count = needed;
        return;
    }
    int newSlots = needed;
    if (storage) {
        const int step = std::clamp(count / 8, 4, 1024);
        newSlots = std::max(needed, slots + step);
    }
    // Allocate before moving anything, so running out of memory leaves the list intact.
    auto grown = std::make_unique<AlarmEntry[]>(newSlots);
    for (int i = 0; i < count; ++i)
        grown[i] = std::move(storage[i]);
    storage = std::move(grown);
    slots = newSlots;
    count = needed;
}

void AlarmList::SetAtGrow(int i, const AlarmEntry &entry)
{
    if (i >= count)
        growTo(i + 1);
    storage[i] = entry;
}

void AlarmList::InsertAt(int i, const AlarmEntry &entry)
{
    // Copy first: entry may live inside this list.
    AlarmEntry copy = entry;
    growTo(count + 1);
    for (int j = count - 1; j > i; --j)
        storage[j] = std::move(storage[j - 1]);
    storage[i] = std::move(copy);
}

void AlarmList::RemoveAt(int i)
{
    for (int j = i; j + 1 < count; ++j)
        storage[j] = std::move(storage[j + 1]);
    storage[count - 1] = AlarmEntry();
    --count;
}

void AlarmList::SetSize(int newSize)
{
    if (newSize == 0) {
        storage.reset();
        count = slots = 0;
        return;
    }
    growTo(newSize);
    count = newSize;
}

bool AlarmList::SetInOrder(const AlarmEntry &entry)
{
    const int64_t key = entry.minuteOfDay();
    for (int i = 0; i < count; ++i) {
        const int64_t k = storage[i].minuteOfDay();
        if (key < k) {
            InsertAt(i, entry);
            return false;
        }
        if (key == k) {
            SetAt(i, entry);
            return true;
        }
    }
    InsertAt(count, entry);
    return false;
}
