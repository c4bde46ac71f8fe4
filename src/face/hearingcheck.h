#pragma once

#include "audiblecheck.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <optional>

class AlarmList;
class AudioOutput;
class Clock;
class Clockwork;
class Notifier;
struct Settings;

// Looks at the sound output when the user sets alarms and ten minutes before each alarm is
// due, and tells once per ringing when a muted, quiet or missing output would not be heard.
class HearingCheck : public QObject
{
    Q_OBJECT

public:
    HearingCheck(AudioOutput &output, const AlarmList &alarms, const Settings &settings,
                 const Clock &clock, Notifier &notifier);

    // Follows that clockwork's minutes, which also come after a resume or a clock set by hand.
    void follow(const Clockwork &works);
    // The alarms or the settings changed: the next check moves with them.
    void rearm();
    // The user set alarms: the one to ring next is looked at now.
    void checkNext();

private:
    void checkIfDue();
    void check(const std::optional<AudibleCheck::Occurrence> &occurrence);
    void tellIfUnheard(const std::optional<AudibleCheck::Output> &output);

    AudioOutput &output;
    const AlarmList &alarms;
    const Settings &settings;
    const Clock &clock;
    Notifier &notifier;
    AudibleCheck::Memory memory;
    QTimer due; // single shot, to the next check before an alarm
    QList<AudibleCheck::Occurrence> awaiting; // checks the output's answer is for
};
