#pragma once

#include "settingsfile.h"

#include <QByteArray>
#include <QString>

// The small POSIX steps the settings file's load and save share.
namespace FileIo {

// A failure of kind at path, with errno's text as the reason.
FileFailure failure(FailureKind kind, const QString &path, int error);
QString describe(const QString &what, const QString &path, int error);
// Closes fd and returns -1, keeping the errno of the step that failed before.
int closeKeepingErrno(int fd);
// Writes all of bytes at the descriptor's offset; errno is set when it returns false.
bool writeAll(int fd, const QByteArray &bytes);
// Syncs the folder of path, so that a rename into it survives a crash.
void makeRenameDurable(const QString &path);
// Puts bytes over the file open at fd from its start, then cuts what is left of the old
// contents and syncs: the file is never shorter than the shorter of the two meanwhile.
bool rewrite(int fd, const QByteArray &bytes);

} // namespace FileIo
