#pragma once

#include <QString>

// Starting the clock at login, through an XDG autostart entry. The entry itself is the
// setting: the settings file's layout has no room for it.
namespace Autostart {

// $XDG_CONFIG_HOME/autostart/zelka.desktop
QString entryPath();
bool isEnabled();
// Writes an entry that starts this program in the given folder, or removes it.
// False when the file could not be written or removed.
bool setEnabled(bool enabled, const QString &program, const QString &workingDirectory);

} // namespace Autostart
