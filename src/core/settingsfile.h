#pragma once

#include "alarmlist.h"
#include "settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The settings file's byte codec: little-endian 32-bit integers and length-prefixed
// byte strings (1, 3 or 7 byte prefix), no header.
namespace SettingsCodec {

enum class Decoded { Empty, Loaded, Damaged };

// Fills settings and list from bytes. On damage both are reset: defaults, empty list.
// Never allocates more than the input's size for strings, however hostile the input.
Decoded decode(QByteArrayView bytes, Settings &settings, AlarmList &list);

void appendString(QByteArray &out, const QByteArray &text);
QByteArray encode(const Settings &settings, const AlarmList &list);

} // namespace SettingsCodec

// A fatal failure around the settings file or the default sounds, with the process exit
// status that names the failing step and a message that names the cause and the file.
struct FileFailure {
    int exitStatus = 0;
    QString message;
};

struct LoadResult {
    SettingsCodec::Decoded decoded = SettingsCodec::Decoded::Empty;
    QString absolutePath;    // where the save goes, whatever the current directory becomes
    QByteArray damagedBytes; // the damaged file's content, kept for the backup copy
    std::optional<FileFailure> failure;
};

namespace SettingsFile {

// Checks that a file can be opened for reading (exit status 1 when not).
std::optional<FileFailure> checkReadable(const QString &fileName);

// Opens or creates fileName without truncating it and decodes it into settings and list.
LoadResult load(const QString &fileName, Settings &settings, AlarmList &list);

// Writes settings and list to path through a temporary file renamed over it, so that a
// failed save leaves the old file as it was. When damagedBackup is given, it is first
// written beside path as "<path>.damaged".
std::optional<FileFailure> save(const QString &path, const Settings &settings,
                                const AlarmList &list, const QByteArray *damagedBackup = nullptr);

} // namespace SettingsFile
