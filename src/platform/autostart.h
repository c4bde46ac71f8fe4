#pragma once

#include <QString>

// Starting the clock at login, through an XDG autostart entry. The entry itself is the
// setting: the settings file's layout has no room for it.
namespace Autostart {

// $XDG_CONFIG_HOME/autostart/zelka.desktop
QString entryPath();
bool isEnabled();

// What the entry runs: the launcher that started this clock when there is one (by its
// name alone when PATH finds it, so that a moved installation still starts), else this
// program in its folder.
struct Command {
    QString program;
    QString workingDirectory; // empty: the launcher chooses it
};
Command command(const QString &launcher, const QString &program, const QString &folder);

// Writes an entry that runs the command, or removes it. False when the file could not be
// written or removed.
bool setEnabled(bool enabled, const Command &command = {});

} // namespace Autostart
