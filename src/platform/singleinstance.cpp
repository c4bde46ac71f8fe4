#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

namespace {

// How long a later start keeps knocking while the first one is still starting up.
constexpr int knockTries = 20;
constexpr long knockPauseMs = 50;

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

SingleInstance::SingleInstance(const QString &settingsFile)
{
    const QString path = canonicalPath(settingsFile);
    const QString key = QString::fromLatin1(
        QCryptographicHash::hash(QFile::encodeName(path), QCryptographicHash::Sha256)
            .toHex()
            .left(24));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) {
        lockFileName = runtime + QStringLiteral("/zelka-") + key + QStringLiteral(".lock");
        socketFileName = runtime + QStringLiteral("/zelka-") + key + QStringLiteral(".socket");
    } else {
        lockFileName = path + QStringLiteral(".lock");
        socketFileName = QDir::tempPath() + QStringLiteral("/zelka-%1-").arg(::getuid()) + key +
                         QStringLiteral(".socket");
    }
}

SingleInstance::~SingleInstance()
{
    if (listenFd >= 0) {
        ::close(listenFd);
        ::unlink(QFile::encodeName(socketFileName).constData());
    }
}

bool SingleInstance::claim()
{
    lock = std::make_unique<QLockFile>(lockFileName);
    // Only a dead holder makes a lock stale: a clock may run for months.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        listen();
        return true;
    }
    if (lock->error() != QLockFile::LockFailedError) {
        // No place for the lock: better two clocks than none.
        std::fprintf(stderr,
                     "zelka: cannot create the lock %s; not guarding against a second clock\n",
                     qPrintable(lockFileName));
        return true;
    }
    knock();
    return false;
}

void SingleInstance::listen()
{
    sockaddr_un address;
    if (!socketAddress(socketFileName, address))
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    // Holding the lock makes any socket left here a killed clock's.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 ||
        ::chmod(address.sun_path, 0600) != 0 || ::listen(fd, 4) != 0) {
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
    if (knocked && onKnock)
        onKnock();
}

void SingleInstance::knock() const
{
    sockaddr_un address;
    if (!socketAddress(socketFileName, address))
        return;
    for (int attempt = 0; attempt < knockTries; ++attempt) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return;
        const int result =
            ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address));
        const int error = errno;
        ::close(fd);
        // Connected is enough: the first clock acts on the connection itself.
        if (result == 0)
            return;
        // Anything but "not listening yet" or "busy" will not get better by waiting.
        if (error != ENOENT && error != ECONNREFUSED && error != EAGAIN)
            return;
        const timespec pause{0, knockPauseMs * 1000000};
        ::nanosleep(&pause, nullptr);
    }
}
