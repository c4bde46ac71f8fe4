#pragma once

#include "alarmlist.h"
#include "settings.h"
#include "settingscodec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ctime>
#include <optional>

// The step around the settings file or the default sounds that failed.
enum class FailureKind {
    OpenSound, // a default sound cannot be opened
    Open,      // the settings file cannot be opened or created for the load
    OutOfMemoryReading,
    Read,
    Create, // no file can be made to hold the save
    OutOfMemoryWriting,
    Format, // the data cannot be put in the file's format
    Write,
    Permissions, // a read-only file cannot be made writable
};

// A failure around the settings file or the default sounds: its kind, and a message that
// names the cause and the file.
struct FileFailure {
    FailureKind kind = FailureKind::Write;
    QString message;
};

struct LoadResult {
    SettingsCodec::Decoded decoded = SettingsCodec::Decoded::Empty;
    QString absolutePath; // where the save goes, whatever the current directory becomes
    std::optional<FileFailure> failure;
};

// The bytes a save writes, or why they could not be made (out of memory, or a string the format
// cannot hold).
struct Encoded {
    QByteArray bytes;
    std::optional<FileFailure> failure;
};

namespace SettingsFile {

// What failed, in the user's words.
QString whatFailed(FailureKind kind);
// A failure's message: what failed, the file, and why.
QString describe(const QString &what, const QString &path, const QString &reason);

// No settings file comes near this size; a bigger one is refused as damaged unread.
constexpr qint64 maxFileSize = qint64(64) << 20;

// Checks that a file can be opened for reading.
std::optional<FileFailure> checkReadable(const QString &fileName);

// Opens or creates fileName without truncating it and decodes it into settings and list.
// A symbolic link is followed only when the link and the file it names both belong to the
// effective user; otherwise the load fails as an open failure. A damaged
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
