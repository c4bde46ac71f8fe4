#pragma once

#include "alarmlist.h"
#include "settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <ctime>
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

// The bytes a save writes, or why they could not be made (exit status 6 or 7).
struct Encoded {
    QByteArray bytes;
    std::optional<FileFailure> failure;
};

namespace SettingsFile {

// No settings file comes near this size; a bigger one is refused as damaged unread.
constexpr qint64 maxFileSize = qint64(64) << 20;

// Checks that a file can be opened for reading (exit status 1 when not).
std::optional<FileFailure> checkReadable(const QString &fileName);

// Opens or creates fileName without truncating it and decodes it into settings and list.
// A symbolic link is followed only when the link and the file it names both belong to the
// effective user; otherwise the load fails as an open failure (exit status 2). A damaged
// file is copied aside as "<path>.damaged" at once, best-effort (a failure is only
// reported on stderr), and stays at path until the next save replaces it; a copy of the
// same size and time already there is kept rather than made again. A complete journal
// of an in-place rewrite cut short is replayed first.
LoadResult load(const QString &fileName, Settings &settings, AlarmList &list);

// Writes settings and list to path through a temporary file renamed over it, so that a
// failed save leaves the old file as it was. Where the folder refuses the temporary for
// lack of permission, the file is rewritten in place instead.
std::optional<FileFailure> save(const QString &path, const Settings &settings,
                                const AlarmList &list);
// The two halves of save: the encoding, for the thread that owns the data, and the disk
// work, for any thread.
Encoded encodeForSave(const QString &path, const Settings &settings, const AlarmList &list);
std::optional<FileFailure> write(const QString &path, const QByteArray &bytes);

// The hidden name a save's temporary gets beside path, with mkstemp's six X.
QByteArray temporaryTemplate(const QString &path);

// Removes the temporaries an interrupted save left beside path (".<name>.tmp-" and six
// letters or digits), if they are regular files of the effective user last changed before
// startedAt; returns their names.
QStringList removeStaleTemporaries(const QString &path, const timespec &startedAt);

} // namespace SettingsFile
