#include "singleinstance.h"

#include "zelkalog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Between knocks while the first clock is still between taking the lock and listening.
constexpr std::chrono::milliseconds knockPause{50};

bool socketAddress(const QString &path, sockaddr_un &address)
{
    const QByteArray name = QFile::encodeName(path);
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    return true;
}

// The user's own folder for state that outlives a session: the last place for a lock.
QString stateFolder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/zelka");
}

void makeStateFolder(const QString &folder)
{
    QDir().mkpath(QFileInfo(folder).path());
    ::mkdir(QFile::encodeName(folder).constData(), 0700);
}

// A regular file to lock, or -1. Its content never matters: only the kernel's lock does.
int openLock(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking so that a FIFO planted in its place cannot hold the start.
    constexpr int flags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | flags, 0600);
    // A lock left readable by another user (root, say) still tells whether anyone holds it.
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(name.constData(), O_RDONLY | flags);
    if (fd < 0)
        return -1;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

QString SingleInstance::canonicalPath(const QString &settingsFile)
{
    const QFileInfo file(settingsFile);
    const QString resolved = file.canonicalFilePath();
    if (!resolved.isEmpty())
        return resolved;
    const QString folder = QDir(file.absolutePath()).canonicalPath();
    return (folder.isEmpty() ? file.absolutePath() : folder) + QLatin1Char('/') + file.fileName();
}

SingleInstance::SingleInstance(const QString &settingsFile, std::chrono::milliseconds answerWait_)
    : answerWait(answerWait_)
{
    const QString path = canonicalPath(settingsFile);
    const QString key = QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha256)
            .toHex()
            .left(24));
    const QString name = QStringLiteral("/zelka-") + key;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const bool hasRuntime = !runtime.isEmpty() && QFileInfo(runtime).isDir();
    if (hasRuntime)
        lockCandidates.append(runtime + name + QStringLiteral(".lock"));
    lockCandidates.append(path + QStringLiteral(".lock"));
    stateDir = stateFolder();
    const QString state = stateDir;
    lockCandidates.append(state + name + QStringLiteral(".lock"));
    lockFileName = lockCandidates.first();

    // The socket goes where only this user may create files.
    sockaddr_un address;
    if (hasRuntime &&
        ::faccessat(AT_FDCWD, QFile::encodeName(runtime).constData(), W_OK | X_OK, AT_EACCESS) == 0)
        socketFileName = runtime + name + QStringLiteral(".socket");
    else if (socketAddress(state + name + QStringLiteral(".socket"), address))
        socketFileName = state + name + QStringLiteral(".socket");
    else
        socketFileName = QDir::tempPath() + QStringLiteral("/zelka-%1-").arg(::getuid()) + key +
                         QStringLiteral(".socket");
}

SingleInstance::~SingleInstance()
{
    if (listenFd >= 0) {
        ::unlink(QFile::encodeName(socketFileName).constData());
        ::close(listenFd);
    }
    if (lockFd >= 0)
        ::close(lockFd);
}

SingleInstance::Claim SingleInstance::claim()
{
    if (!takeLock()) {
        if (lockFd < 0) {
            // No place for the lock: better two clocks than none.
            qCWarning(zelkaLog).noquote().nospace() << "cannot create the lock " << lockFileName
                                                    << "; not guarding against a second clock";
            return Claim::Run;
        }
        const auto deadline = std::chrono::steady_clock::now() + answerWait;
        for (;;) {
            const int error = knockOnce();
            if (error == 0)
                return Claim::Knocked;
            // The holder may have gone between the two looks.
            if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0)
                break;
            const auto left = deadline - std::chrono::steady_clock::now();
            if (left <= left.zero()) {
                refusalReason = QString::fromLocal8Bit(std::strerror(error));
                return Claim::Refused;
            }
            std::this_thread::sleep_for(
                std::min<std::chrono::steady_clock::duration>(left, knockPause));
        }
    }
    listen();
    return Claim::Run;
}

// True when the lock is ours; false with lockFd open when another process holds it, or
// with lockFd -1 when no place can hold one.
bool SingleInstance::takeLock()
{
    for (const QString &candidate : std::as_const(lockCandidates)) {
        if (candidate == lockCandidates.last())
            makeStateFolder(stateDir);
        const int fd = openLock(candidate);
        if (fd < 0)
            continue;
        lockFileName = candidate;
        const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (taken || errno == EWOULDBLOCK) {
            lockFd = fd;
            return taken;
        }
        // A file system without locks: try the next place.
        ::close(fd);
    }
    return false;
}

void SingleInstance::listen()
{
    sockaddr_un address;
    if (!socketAddress(socketFileName, address))
        return;
    if (socketFileName.startsWith(stateDir + QLatin1Char('/')))
        makeStateFolder(stateDir);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    // Holding the lock makes any socket left here a killed clock's.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 ||
        ::chmod(address.sun_path, 0600) != 0 || ::listen(fd, SOMAXCONN) != 0) {
        qCWarning(zelkaLog).noquote().nospace()
            << "cannot listen on " << address.sun_path << " (" << std::strerror(errno)
            << "); a second start cannot reach this clock";
        ::close(fd);
        return;
    }
    listenFd = fd;
    notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptKnocks);
}

void SingleInstance::acceptKnocks()
{
    bool knocked = false;
    for (;;) {
        const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            break;
        ::close(client);
        knocked = true;
    }
    if (knocked)
        Q_EMIT knock();
}

// 0 when the holder's socket took the connection, which is all a knock needs; else why not.
int SingleInstance::knockOnce() const
{
    sockaddr_un address;
    if (!socketAddress(socketFileName, address))
        return ENAMETOOLONG;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    const int result = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address));
    const int error = result == 0 ? 0 : errno;
    ::close(fd);
    return error;
}
