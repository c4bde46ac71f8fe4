#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The record that makes an in-place rewrite safe: the new bytes are kept, checked and
// synced in the user's state folder before the settings file is touched, so that a
// rewrite cut short by a crash or an I/O error can be finished at the next start.
// Journals live in $XDG_STATE_HOME/zelka (~/.local/state/zelka), one per settings file,
// keyed on the file's real path as the single-instance lock is.
namespace SaveJournal {

// The journal's file name for the settings file at filePath (absolute, links resolved).
QString pathFor(const QString &filePath);

// Writes the journal for filePath through a temporary renamed into place, synced with its
// folder. Returns 0, or the errno of the failed step.
int write(const QString &filePath, const QByteArray &bytes);

// The bytes of a complete journal for filePath. A torn or foreign one is removed and
// reads as none, as do the leftovers of a journal write cut short.
std::optional<QByteArray> read(const QString &filePath);

// Drops the journal once the settings file holds its bytes.
void remove(const QString &filePath);

} // namespace SaveJournal
