#pragma once

#include "alarmlist.h"
#include "settings.h"

#include <QList>

#include <cstdint>
#include <optional>

// Whether the next alarm can be heard: what makes an output too quiet, when the output is
// asked, and which alarm a user has been told about already.
namespace AudibleCheck {

// The check before an alarm runs this long before its minute.
inline constexpr int64_t leadSeconds = 600;
// Below this share of its full volume an output counts as too quiet to wake anyone.
inline constexpr double quietBelow = 0.10;

// The default sound output, as the sound server reports it.
struct Output {
    bool present = false; // there is an output device at all
    bool muted = false;
    double volume = 0; // its loudest channel; 1 is the device's 100 %
};

enum class Problem { None, NoDevice, Muted, Quiet };

Problem problemOf(const Output &output);

// One ringing of one alarm: its minute in seconds since the epoch, and its time of day.
struct Occurrence {
    int64_t minute = 0;
    int minuteOfDay = 0;

    friend bool operator==(const Occurrence &, const Occurrence &) = default;
};

// The first ringing after now; none while alarms are switched off or none will ring.
std::optional<Occurrence> next(const AlarmList &alarms, const Settings &settings, int64_t now);

// Each ringing is checked once within its lead and told about at most once.
class Memory
{
public:
    struct Due {
        int64_t at; // seconds since the epoch; now or later
        Occurrence occurrence;
    };

    // The next check before an alarm: at the start of its lead, or now when the lead has
    // begun without one.
    std::optional<Due> due(const AlarmList &alarms, const Settings &settings, int64_t now) const;
    // A check about occurrence starts at now.
    void checking(const Occurrence &occurrence, int64_t now);
    // Its answer came: whether to tell the user.
    bool tell(const Occurrence &occurrence, Problem problem, int64_t now);

private:
    void forgetPassed(int64_t now);

    QList<int64_t> checkedInLead; // minutes of the occurrences checked within their lead
    QList<int64_t> told;          // minutes of the occurrences the user was told about
};

} // namespace AudibleCheck
