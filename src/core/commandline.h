#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// What a start with arguments asks for. Times and dates in ISO form only, so that a
// script means the same under every locale.
namespace CommandLine {

enum class Action { List, Add, Remove, SkipNext, Pause, In, Stop, Snooze, Next, Help, Version };

struct Request {
    Action action = Action::Help;
    int hour = 0, minute = 0;           // --add, --remove, --skip-next, --pause
    uint8_t weekdays = 0x7F;            // --days; bit 0 Sunday ... bit 6 Saturday
    bool once = false;                  // --once
    std::optional<QString> message;     // --message
    bool json = false;                  // --list --json
    QDate until;                        // --pause ... --until
    int minutes = 0;                    // --in
    // Whether only a running clock can answer it: nothing on disk says what rings now.
    bool needsRunningClock() const { return action == Action::Stop || action == Action::Snooze; }
    // Whether it changes the alarms.
    bool edits() const;
};

struct Parsed {
    std::optional<Request> request; // none: error says why
    QString error;                  // one line naming the option or the value
};

// The exit status of a start whose arguments make no sense (EX_USAGE).
inline constexpr int usageStatus = 64;

// arguments without the program's name; none at all is not a command.
Parsed parse(const QStringList &arguments);

// --help's text.
QString help();

// "mon-fri", "sat,sun", "daily": the days as --days takes them.
QString daysText(uint8_t weekdays);

} // namespace CommandLine
