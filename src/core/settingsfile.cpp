// The settings file's load, with the checks that keep a planted link or a damaged file from
// doing harm; the save is in settingsfilesave.cpp.
#include "settingsfile.h"

#include "fileio.h"
#include "savejournal.h"
#include "zelkalog.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace FileIo;

QString absolute(const QString &fileName)
{
    return QFileInfo(fileName).absoluteFilePath();
}

// Copies everything from one descriptor to another without holding it in memory: in the
// kernel where the file systems allow it, else through a small buffer.
bool copyAll(int from, int to)
{
    for (;;) {
        const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, size_t(1) << 24, 0);
        if (n == 0)
            return true;
        if (n > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return false;
        break;
    }
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if (!writeAll(to, buffer.first(n)))
            return false;
    }
}

// Copies the damaged file open at fd aside as "<path>.damaged", through a temporary. A
// copy, not a hard link: an in-place save would otherwise overwrite the backup too.
// The copy takes the file's modification time, so that the next start, finding the same
// damaged file, sees it is kept already and leaves it.
void keepDamagedCopy(int fd, const struct stat &st, const QString &path)
{
    const QString backup = path + QStringLiteral(".damaged");
    struct stat kept {
    };
    if (::lstat(QFile::encodeName(backup).constData(), &kept) == 0 && S_ISREG(kept.st_mode) &&
        kept.st_size == st.st_size && kept.st_mtim.tv_sec == st.st_mtim.tv_sec &&
        kept.st_mtim.tv_nsec == st.st_mtim.tv_nsec)
        return;
    QByteArray tempName = SettingsFile::temporaryTemplate(path);
    int error = 0;
    const int out = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (out < 0) {
        error = errno;
    } else {
        const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
        if (::lseek(fd, 0, SEEK_SET) != 0 || ::fchmod(out, (st.st_mode & 07777) | S_IWUSR) != 0 ||
            !copyAll(fd, out) || ::fsync(out) != 0 || ::futimens(out, times) != 0)
            error = errno;
        if (::close(out) != 0 && error == 0)
            error = errno;
        if (error == 0 &&
            ::rename(tempName.constData(), QFile::encodeName(backup).constData()) != 0)
            error = errno;
        if (error != 0)
            ::unlink(tempName.constData());
    }
    if (error == 0) {
        makeRenameDurable(backup);
        return;
    }
    qCWarning(zelkaLog).noquote() << describe(
        QCoreApplication::translate("SettingsFile", "无法保留损坏的设置文件的副本。"), backup,
        error);
}

// The settings file opened for the load, or why it could not be.
struct Opened {
    int fd = -1;
    struct stat st {
    };
    int error = 0;   // errno of the failed step
    QString refusal; // set instead when a symbolic link is not followed
};

// Opens the settings file for reading, creating it when missing. A symbolic link is
// followed only when it and the file it names belong to the effective user, so that a link
// someone else planted cannot aim the save (run as root, say) at a file of their choice.
// Everything is looked at through descriptors, so nothing can be swapped between checks.
Opened openForLoad(const QString &fileName)
{
    Opened o;
    const QFileInfo info(fileName);
    const int dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(),
                             O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        o.error = errno;
        return o;
    }
    const QByteArray base = QFile::encodeName(info.fileName());
    // Non-blocking so that a FIFO in its place cannot hang the start.
    o.fd = ::openat(dirFd, base.constData(),
                    O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    const bool viaLink = o.fd < 0 && errno == ELOOP;
    if (viaLink) {
        const int linkFd = ::openat(dirFd, base.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        struct stat link {
        };
        char target[PATH_MAX];
        ssize_t length = -1;
        if (linkFd < 0 || ::fstat(linkFd, &link) != 0)
            o.error = errno;
        else if (!S_ISLNK(link.st_mode))
            o.error = EAGAIN; // replaced between the two looks
        else if (link.st_uid != ::geteuid())
            o.refusal =
                QCoreApplication::translate("SettingsFile", "它是一个不属于当前用户的符号链接");
        else if ((length = ::readlinkat(linkFd, "", target, sizeof target)) < 0)
            o.error = errno;
        else if (length == ssize_t(sizeof target))
            o.error = ENAMETOOLONG;
        if (linkFd >= 0)
            ::close(linkFd);
        if (o.error == 0 && o.refusal.isEmpty()) {
            target[length] = '\0';
            // No O_CREAT: a dangling link makes nothing where it points.
            o.fd = ::openat(dirFd, target, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (o.fd < 0)
                o.error = errno;
        }
    } else if (o.fd < 0) {
        o.error = errno;
    }
    ::close(dirFd);
    if (o.fd < 0)
        return o;
    if (::fstat(o.fd, &o.st) != 0)
        o.error = errno;
    else if (!S_ISREG(o.st.st_mode))
        o.error = EISDIR;
    else if (viaLink && o.st.st_uid != ::geteuid())
        o.refusal = QCoreApplication::translate("SettingsFile", "它是指向其他用户的文件的符号链接");
    if (o.error != 0 || !o.refusal.isEmpty())
        o.fd = closeKeepingErrno(o.fd);
    return o;
}

// The absolute path of the file open at fd, as the kernel found it.
QString openedPath(int fd, const struct stat &st, const QString &fileName)
{
    char path[PATH_MAX];
    const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t n = ::readlink(proc.constData(), path, sizeof path);
    if (st.st_nlink > 0 && n > 0 && n < ssize_t(sizeof path) && path[0] == '/')
        return QFile::decodeName(QByteArray(path, n));
    const QString canonical = QFileInfo(fileName).canonicalFilePath();
    return canonical.isEmpty() ? absolute(fileName) : canonical;
}

// ".<name>.tmp-" and six characters from mkstemp's alphabet, of any mix.
bool isTemporaryName(const QByteArray &name, const QByteArray &prefix)
{
    if (name.size() != prefix.size() + 6 || !name.startsWith(prefix))
        return false;
    for (const char c : name.sliced(prefix.size()))
        if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9'))
            return false;
    return true;
}

bool before(const struct timespec &a, const struct timespec &b)
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

} // namespace

namespace SettingsFile {

QString whatFailed(FailureKind kind)
{
    switch (kind) {
    case FailureKind::OpenSound:
        return QCoreApplication::translate("SettingsFile", "无法打开声音文件。");
    case FailureKind::Open:
        return QCoreApplication::translate("SettingsFile", "无法打开设置文件。");
    case FailureKind::OutOfMemoryReading:
        return QCoreApplication::translate("SettingsFile", "读取设置文件时内存不足。");
    case FailureKind::Read:
        return QCoreApplication::translate("SettingsFile", "读取设置文件时出错。");
    case FailureKind::Create:
        return QCoreApplication::translate("SettingsFile", "无法创建设置文件。");
    case FailureKind::OutOfMemoryWriting:
        return QCoreApplication::translate("SettingsFile", "写入设置文件时内存不足。");
    case FailureKind::Format:
        return QCoreApplication::translate("SettingsFile", "设置文件格式错误。");
    case FailureKind::Permissions:
        return QCoreApplication::translate("SettingsFile", "无法更改设置文件的属性。");
    case FailureKind::Write:
        break;
    }
    return QCoreApplication::translate("SettingsFile", "无法写入设置文件。");
}

QString describe(const QString &what, const QString &path, const QString &reason)
{
    return QCoreApplication::translate("SettingsFile", "%1\n文件：%2\n原因：%3")
        .arg(what, path, reason);
}

std::optional<FileFailure> checkReadable(const QString &fileName)
{
    const int fd =
        ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int error = errno;
    struct stat st {
    };
    if (fd >= 0 && ::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode))
        error = EISDIR;
    else if (fd >= 0)
        error = 0;
    if (fd >= 0)
        ::close(fd);
    if (error == 0)
        return std::nullopt;
    return failure(FailureKind::OpenSound, absolute(fileName), error);
}

LoadResult load(const QString &fileName, Settings &settings, AlarmList &list)
{
    LoadResult result;
    result.absolutePath = absolute(fileName);
    Opened opened = openForLoad(fileName);
    if (opened.fd < 0) {
        result.failure =
            opened.refusal.isEmpty()
                ? failure(FailureKind::Open, result.absolutePath, opened.error)
                : FileFailure{FailureKind::Open, describe(whatFailed(FailureKind::Open),
                                                          result.absolutePath, opened.refusal)};
        return result;
    }
    const int fd = opened.fd;
    // Saves go to the file itself, even when the name is a symbolic link.
    result.absolutePath = openedPath(fd, opened.st, fileName);

    // An in-place rewrite cut short: finish it, or at least use what it was writing.
    std::optional<QByteArray> bytes = SaveJournal::read(result.absolutePath);
    if (bytes) {
        const int out = ::open(QFile::encodeName(result.absolutePath).constData(),
                               O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        const bool replayed = out >= 0 && rewrite(out, *bytes);
        if (!replayed)
            qCWarning(zelkaLog).noquote()
                << failure(FailureKind::Write, result.absolutePath, errno).message;
        if (out >= 0)
            ::close(out);
        if (replayed) {
            SaveJournal::remove(result.absolutePath);
            bytes.reset();
            ::fstat(fd, &opened.st);
        }
    }

    try {
        if (!bytes && opened.st.st_size <= maxFileSize) {
            bytes.emplace(qsizetype(opened.st.st_size), Qt::Uninitialized);
            qsizetype done = 0;
            while (done < bytes->size()) {
                const ssize_t n =
                    ::pread(fd, bytes->data() + done, size_t(bytes->size() - done), off_t(done));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0) {
                    const int readError = errno;
                    ::close(fd);
                    result.failure = failure(FailureKind::Read, result.absolutePath, readError);
                    return result;
                }
                if (n == 0)
                    break; // shrank since fstat: what was read is all there is
                done += n;
            }
            bytes->truncate(done);
        }
        // Larger than any settings file: damaged, and never read into memory.
        result.decoded =
            bytes ? SettingsCodec::decode(*bytes, settings, list) : SettingsCodec::Decoded::Damaged;
        if (!bytes) {
            settings = Settings();
            list.SetSize(0);
        }
    } catch (const std::bad_alloc &) {
        ::close(fd);
        settings = Settings();
        list.SetSize(0);
        result.failure = failure(FailureKind::OutOfMemoryReading, result.absolutePath, ENOMEM);
        return result;
    }
    if (result.decoded == SettingsCodec::Decoded::Damaged)
        keepDamagedCopy(fd, opened.st, result.absolutePath);
    ::close(fd);
    return result;
}

QStringList removeStaleTemporaries(const QString &path, const timespec &startedAt)
{
    QStringList removed;
    const QFileInfo info(path);
    const int dirFd = ::open(QFile::encodeName(info.absolutePath()).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return removed;
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return removed;
    }
    const QByteArray prefix = '.' + QFile::encodeName(info.fileName()) + ".tmp-";
    const uid_t me = ::geteuid();
    while (const dirent *entry = ::readdir(dir)) {
        if (!isTemporaryName(QByteArray(entry->d_name), prefix))
            continue;
        struct stat st {
        };
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == me && before(st.st_mtim, startedAt) &&
            ::unlinkat(dirFd, entry->d_name, 0) == 0)
            removed.append(QFile::decodeName(entry->d_name));
    }
    ::closedir(dir);
    return removed;
}

} // namespace SettingsFile
