#include "fileio.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace FileIo {

QString describe(const QString &what, const QString &path, int error)
{
    return SettingsFile::describe(what, path, QString::fromLocal8Bit(std::strerror(error)));
}

FileFailure failure(FailureKind kind, const QString &path, int error)
{
    return FileFailure{kind, describe(SettingsFile::whatFailed(kind), path, error)};
}

int closeKeepingErrno(int fd)
{
    const int error = errno;
    ::close(fd);
    errno = error;
    return -1;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

void makeRenameDurable(const QString &path)
{
    // A failure here loses nothing already written.
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

bool rewrite(int fd, const QByteArray &bytes)
{
    return ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, bytes) &&
           ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
}

} // namespace FileIo
