#pragma once

#include "alarmlist.h"
#include "commandline.h"

#include <QString>

#include <cstdint>

// A command's work on the alarms, the same whether a running clock or the command itself
// holds the file.
namespace Commands {

struct Answer {
    int status = 0;       // the command's exit status
    QString text;         // for stdout when status is 0, for stderr otherwise
    bool changed = false; // the alarms changed: save them
};

// Runs --list, --next and the edits on alarms, at the clock's now. An edit goes in as the
// alarm dialog's "设置" puts it: one alarm a minute, the later replacing the earlier.
Answer run(const CommandLine::Request &request, AlarmList &alarms, int64_t now);

// The answer of --stop or --snooze when nothing rings.
Answer nothingRings();

} // namespace Commands
