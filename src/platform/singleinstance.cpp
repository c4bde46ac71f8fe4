#include "singleinstance.h"

#include "zelkalog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

// Between knocks while the first clock is still between taking the lock and listening.
constexpr std::chrono::milliseconds knockPause{50};

// A command is one line; a peer that sends more, or nothing for this long, is let go, so a
// stuck or hostile one never holds the face.
constexpr qsizetype maxRequest = 64 * 1024;
constexpr int peerTimeoutMs = 2000;
constexpr size_t maxPeers = 8;
// How long an answer may take to leave, and a command's start to wait for it.
constexpr int sendTimeoutMs = 500;
constexpr std::chrono::milliseconds replyWait{5000};

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

SingleInstance::Claim SingleInstance::claimForCommand(const QStringList &arguments)
{
    if (takeLock() || lockFd < 0)
        return Claim::Run;
    const QByteArray request =
        QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact) + '\n';
    const auto deadline = std::chrono::steady_clock::now() + answerWait;
    for (;;) {
        const int error = askOnce(request);
        if (error == 0)
            return Claim::Knocked;
        if (error != ECONNREFUSED && error != ENOENT && error != EAGAIN) {
            refusalReason = QString::fromLocal8Bit(std::strerror(error));
            return Claim::Refused;
        }
        // The clock may have gone between the two looks, or not be listening yet.
        if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0)
            return Claim::Run;
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= left.zero()) {
            refusalReason = QString::fromLocal8Bit(std::strerror(error));
            return Claim::Refused;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, knockPause));
    }
}

// Sends the request and reads the one-line answer; 0 when it came, else why not.
int SingleInstance::askOnce(const QByteArray &request)
{
    sockaddr_un address;
    if (!socketAddress(socketFileName, address))
        return ENAMETOOLONG;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return errno;
    const auto done = [fd](int error) {
        ::close(fd);
        return error;
    };
    const timeval bound{replyWait.count() / 1000, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0)
        return done(errno);
    if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size())
        return done(ETIMEDOUT);
    QByteArray line;
    const auto deadline = std::chrono::steady_clock::now() + replyWait;
    while (!line.contains('\n')) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0)
            return done(ETIMEDOUT);
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return done(n == 0 ? ECONNRESET : errno);
        line.append(chunk, n);
    }
    const QJsonObject answer = QJsonDocument::fromJson(line.left(line.indexOf('\n'))).object();
    answered = Reply{answer.value(QStringLiteral("status")).toInt(1),
                     answer.value(QStringLiteral("text")).toString()};
    return done(0);
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

// One connection to the first clock: a knock when it closes having said nothing, a command
// when it sends a line.
class SingleInstance::Peer
{
public:
    explicit Peer(int fd) : fd(fd), reader(fd, QSocketNotifier::Read)
    {
        timeout.setSingleShot(true);
        timeout.start(peerTimeoutMs);
    }
    ~Peer() { ::close(fd); }
    Peer(const Peer &) = delete;
    Peer &operator=(const Peer &) = delete;

    int fd;
    QSocketNotifier reader;
    QTimer timeout;
    QByteArray received;
};

void SingleInstance::acceptKnocks()
{
    for (;;) {
        const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0)
            break;
        ucred peer{};
        socklen_t size = sizeof peer;
        // Another user's process may not drive this user's clock.
        if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
            peer.uid != ::getuid() || peers.size() >= maxPeers) {
            ::close(client);
            continue;
        }
        const quint64 id = ++nextPeer;
        auto &p = peers[id] = std::make_unique<Peer>(client);
        connect(&p->reader, &QSocketNotifier::activated, this, [this, id] { readPeer(id); });
        connect(&p->timeout, &QTimer::timeout, this, [this, id] { dropPeer(id); });
    }
}

void SingleInstance::readPeer(quint64 id)
{
    const auto found = peers.find(id);
    if (found == peers.end())
        return;
    Peer &p = *found->second;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::recv(p.fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (n <= 0) {
            // Closed having said nothing: the knock of a plain second start.
            const bool knocked = n == 0 && p.received.isEmpty();
            dropPeer(id);
            if (knocked)
                Q_EMIT knock();
            return;
        }
        p.received.append(chunk, n);
        const qsizetype end = p.received.indexOf('\n');
        if (end < 0 && p.received.size() <= maxRequest)
            continue;
        const QJsonDocument request = QJsonDocument::fromJson(p.received.left(end));
        QStringList arguments;
        for (const QJsonValue &v : request.array())
            arguments.append(v.toString());
        if (end < 0 || end > maxRequest || !request.isArray() || arguments.isEmpty()) {
            dropPeer(id);
            return;
        }
        p.reader.setEnabled(false);
        Q_EMIT command(id, arguments);
        return;
    }
}

void SingleInstance::answer(quint64 id, const Reply &reply)
{
    const auto found = peers.find(id);
    if (found == peers.end())
        return;
    const int fd = found->second->fd;
    const QByteArray line = QJsonDocument(QJsonObject{{QStringLiteral("status"), reply.status},
                                                      {QStringLiteral("text"), reply.text}})
                                .toJson(QJsonDocument::Compact) +
                            '\n';
    // A peer that does not read holds the face this long at most.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const timeval bound{0, sendTimeoutMs * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
    ::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL);
    dropPeer(id);
}

void SingleInstance::dropPeer(quint64 id)
{
    const auto found = peers.find(id);
    if (found == peers.end())
        return;
    // Not from inside its own notifier's or timer's signal: delete once they have returned.
    found->second->reader.setEnabled(false);
    found->second->timeout.stop();
    Peer *peer = found->second.release();
    peers.erase(found);
    QTimer::singleShot(0, this, [peer] { delete peer; });
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
