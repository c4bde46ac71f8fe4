#pragma once

#include "alarmlist.h"
#include "audiblecheck.h"
#include "missedalarms.h"

#include <QList>
#include <QString>

// The texts of the desktop notifications about alarms, in plain text.
struct Notice {
    QString summary;
    QString body;

    friend bool operator==(const Notice &, const Notice &) = default;
};

namespace AlarmNotices {

// An alarm that rings, lateMinutes after its minute (0: on time).
Notice ringing(const AlarmEntry &alarm, int lateMinutes);
// Alarms that passed while the machine slept, oldest first.
Notice missed(const AlarmList &alarms, const QList<MissedAlarms::Occurrence> &missed);
// The user quit with this alarm next: it will not ring unless the clock runs again.
Notice notRinging(const AlarmEntry &next);
// Alarms are set, yet a sleeping machine will not wake for them; helper: the program that
// needs the capability.
Notice cannotWake(const QString &helper);
// The alarm at that minute of the day may not be heard, and why; never for Problem::None.
Notice cannotBeHeard(int minuteOfDay, AudibleCheck::Problem problem);

} // namespace AlarmNotices
