// The settings file's save: through a temporary renamed over the file, or in place with a
// journal where the folder refuses a temporary.
#include "settingsfile.h"

#include "fileio.h"
#include "savejournal.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace FileIo;

// Read once, before any thread starts: reading it means setting it for a moment, which
// another thread creating a file meanwhile must not see.
const mode_t processUmask = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}();

// Rewrites the file at path itself: for a folder where no temporary can be made. The
// journal holds the new bytes first, so a rewrite cut short is finished at the next start.
std::optional<FileFailure> writeInPlace(const QString &path, const QByteArray &bytes,
                                        int folderError)
{
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st {
    };
    int error = errno == ENOENT ? folderError : errno;
    if (fd >= 0 && ::fstat(fd, &st) != 0)
        error = errno;
    else if (fd >= 0 && !S_ISREG(st.st_mode))
        error = EISDIR;
    else if (fd >= 0)
        error = 0;
    if (error != 0) {
        if (fd >= 0)
            ::close(fd);
        return failure(FailureKind::Create, path, error);
    }
    if (const int journalError = SaveJournal::write(path, bytes)) {
        ::close(fd);
        return failure(FailureKind::Write, SaveJournal::pathFor(path), journalError);
    }
    // On failure the journal stays: the next start completes this rewrite.
    if (!rewrite(fd, bytes)) {
        closeKeepingErrno(fd);
        return failure(FailureKind::Write, path, errno);
    }
    if (::close(fd) != 0)
        return failure(FailureKind::Write, path, errno);
    SaveJournal::remove(path);
    return std::nullopt;
}

// Writes bytes to a temporary file beside path, syncs it and renames it over path.
// On failure the temporary file is removed and whatever stood at path is untouched.
std::optional<FileFailure> writeReplacing(const QString &path, const QByteArray &bytes, mode_t mode)
{
    QByteArray tempName = SettingsFile::temporaryTemplate(path);
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    // No permission to add a file to the folder (EROFS would refuse the file too).
    if (fd < 0 && (errno == EACCES || errno == EPERM))
        return writeInPlace(path, bytes, errno);
    if (fd < 0)
        return failure(FailureKind::Create, path, errno);

    auto fail = [&](FailureKind kind, int error) {
        ::close(fd);
        ::unlink(tempName.constData());
        return failure(kind, path, error);
    };
    if (::fchmod(fd, mode) != 0)
        return fail(FailureKind::Create, errno);
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        return fail(FailureKind::Write, errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(tempName.constData());
        return failure(FailureKind::Write, path, error);
    }
    if (::rename(tempName.constData(), QFile::encodeName(path).constData()) != 0) {
        const int error = errno;
        ::unlink(tempName.constData());
        return failure(FailureKind::Write, path, error);
    }
    makeRenameDurable(path);
    // A journal left by an in-place rewrite that failed is older than this file now.
    SaveJournal::remove(path);
    return std::nullopt;
}

} // namespace

namespace SettingsFile {

Encoded encodeForSave(const QString &path, const Settings &settings, const AlarmList &list)
{
    Encoded out;
    try {
        out.bytes = SettingsCodec::encode(settings, list);
    } catch (const std::bad_alloc &) {
        out.failure = failure(FailureKind::OutOfMemoryWriting, path, ENOMEM);
    } catch (const std::length_error &) {
        out.failure = failure(FailureKind::Format, path, EOVERFLOW);
    }
    return out;
}

std::optional<FileFailure> write(const QString &path, const QByteArray &bytes)
{
    const QByteArray name = QFile::encodeName(path);
    mode_t mode = 0666 & ~processUmask;
    struct stat st {
    };
    // Not followed: a link put in the file's place since the start is replaced, not written
    // through.
    if (::lstat(name.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return failure(FailureKind::Create, path, EISDIR);
        // A read-only file is made writable again before it is replaced.
        if (S_ISREG(st.st_mode)) {
            mode = (st.st_mode & 07777) | S_IWUSR;
            if (!(st.st_mode & S_IWUSR) && ::chmod(name.constData(), mode) != 0)
                return failure(FailureKind::Permissions, path, errno);
        }
    }
    return writeReplacing(path, bytes, mode);
}

std::optional<FileFailure> save(const QString &path, const Settings &settings,
                                const AlarmList &list)
{
    const Encoded encoded = encodeForSave(path, settings, list);
    if (encoded.failure)
        return encoded.failure;
    return write(path, encoded.bytes);
}

QByteArray temporaryTemplate(const QString &path)
{
    const QFileInfo info(path);
    return QFile::encodeName(info.absolutePath()) + "/." + QFile::encodeName(info.fileName()) +
           ".tmp-XXXXXX";
}

} // namespace SettingsFile
