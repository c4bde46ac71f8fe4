#pragma once

#include "alarmlist.h"
#include "settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

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
    QString absolutePath; // where the save goes, whatever the current directory becomes
    std::optional<FileFailure> failure;
};

namespace SettingsFile {

// Checks that a file can be opened for reading (exit status 1 when not).
std::optional<FileFailure> checkReadable(const QString &fileName);

// Opens or creates fileName without truncating it and decodes it into settings and list.
// A symbolic link is followed only when the link and the file it names both belong to the
// effective user; otherwise the load fails as an open failure (exit status 2). A damaged
// file is copied aside as "<path>.damaged" at once, best-effort (a failure is only
// reported on stderr), and stays at path until the next save replaces it.
LoadResult load(const QString &fileName, Settings &settings, AlarmList &list);

// Writes settings and list to path through a temporary file renamed over it, so that a
// failed save leaves the old file as it was. Where the folder refuses the temporary for
// lack of permission, the file is rewritten in place instead.
std::optional<FileFailure> save(const QString &path, const Settings &settings,
                                const AlarmList &list);

// Removes the temporaries an interrupted save left beside path ("<path>." and six letters
// or digits), if they are regular files of the effective user; returns their names.
// Suffixes of one case or digits only are kept: they look like names a user chose.
QStringList removeStaleTemporaries(const QString &path);

} // namespace SettingsFile
