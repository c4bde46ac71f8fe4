#include "singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <grp.h>
#include <memory>
#include <optional>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using Claim = SingleInstance::Claim;
using namespace std::chrono_literals;
Q_DECLARE_METATYPE(SingleInstance::Claim)

namespace {

constexpr uid_t nobody = 65534;

// Root passes every permission check: claims that must meet them run as nobody.
QByteArray inChildProcess(const std::function<QByteArray()> &work)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(2);
        const QByteArray out = work();
        [[maybe_unused]] const ssize_t n = ::write(fds[1], out.constData(), size_t(out.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray out;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, n);
    ::close(fds[0]);
    ::waitpid(pid, nullptr, 0);
    return out;
}

// A socket file as a killed clock leaves it: bound, nobody listening.
void leaveSocket(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    ::close(fd);
}

int listenOn(const QString &path)
{
    ::unlink(QFile::encodeName(path).constData());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    ::listen(fd, 4);
    return fd;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        runtime.emplace();
        folder.emplace();
        state.emplace();
        QVERIFY(runtime->isValid() && folder->isValid() && state->isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime->path()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(state->path()));
    }

    void cleanup()
    {
        for (const QTemporaryDir *dir : {&*runtime, &*folder})
            QFile::setPermissions(dir->path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void aSecondClaimOnTheSameFileKnocksAndIsRefused()
    {
        const QString file = folder->filePath(QStringLiteral("ZELKA!.DAT"));
        SingleInstance first(file);
        int knocks = 0;
        first.onKnock = [&] { ++knocks; };
        QCOMPARE(first.claim(), Claim::Run);
        {
            SingleInstance second(file);
            QCOMPARE(second.claim(), Claim::Knocked);
        }
        QVERIFY(QTest::qWaitFor([&] { return knocks == 1; }, 2000));
    }

    void theSameFileByAnotherNameIsTheSameClock_data()
    {
        QTest::addColumn<QString>("otherName");
        QTest::newRow("through ..") << QStringLiteral("sub/../ZELKA!.DAT");
        QTest::newRow("through a linked folder") << QStringLiteral("link/ZELKA!.DAT");
        QTest::newRow("relative to the current folder") << QStringLiteral("ZELKA!.DAT");
    }

    void theSameFileByAnotherNameIsTheSameClock()
    {
        QFETCH(QString, otherName);
        QVERIFY(QDir(folder->path()).mkpath(QStringLiteral("sub")));
        QFile::link(folder->path(), folder->filePath(QStringLiteral("link")));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder->path());
        SingleInstance first(folder->filePath(QStringLiteral("ZELKA!.DAT")));
        QCOMPARE(first.claim(), Claim::Run);
        SingleInstance second(otherName);
        QCOMPARE(second.lockPath(), first.lockPath());
        QCOMPARE(second.claim(), Claim::Knocked);
        QDir::setCurrent(previous);
    }

    void filesInTwoFoldersRunSideBySide()
    {
        QTemporaryDir other;
        SingleInstance first(folder->filePath(QStringLiteral("ZELKA!.DAT")));
        SingleInstance second(other.filePath(QStringLiteral("ZELKA!.DAT")));
        QCOMPARE(first.claim(), Claim::Run);
        QCOMPARE(second.claim(), Claim::Run);
    }

    void theLockIsFreeAgainOnceItsHolderIsGone()
    {
        const QString file = folder->filePath(QStringLiteral("ZELKA!.DAT"));
        auto first = std::make_unique<SingleInstance>(file);
        QCOMPARE(first->claim(), Claim::Run);
        first.reset();
        SingleInstance next(file);
        QCOMPARE(next.claim(), Claim::Run);
    }

    // What earlier runs left decides where the lock goes, never whether the clock starts.
    void theLockGoesWhereItCanBeHeld_data()
    {
        QTest::addColumn<QString>("inRuntime");
        QTest::addColumn<QString>("besideFile");
        QTest::addColumn<QString>("runtimeFolder");
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing left") << ""
                                      << ""
                                      << "usable" << true << "runtime";
        QTest::newRow("empty lock") << "empty"
                                    << ""
                                    << "usable" << true << "runtime";
        QTest::newRow("garbage lock") << "garbage"
                                      << ""
                                      << "usable" << true << "runtime";
        QTest::newRow("another user's unreadable lock") << "foreign"
                                                        << ""
                                                        << "usable" << true << "beside";
        QTest::newRow("a folder in the lock's place") << "folder"
                                                      << ""
                                                      << "usable" << true << "beside";
        QTest::newRow("no runtime folder") << ""
                                           << ""
                                           << "unset" << true << "beside";
        QTest::newRow("empty lock beside the file, no runtime folder")
            << ""
            << "empty"
            << "unset" << true << "beside";
        QTest::newRow("another user's lock beside the file, no runtime folder")
            << ""
            << "foreign"
            << "unset" << true << "state";
        QTest::newRow("runtime and settings folders not writable")
            << ""
            << ""
            << "read-only" << false << "state";
        QTest::newRow("another user's lock in both places") << "foreign"
                                                            << "foreign"
                                                            << "usable" << true << "state";
    }

    void theLockGoesWhereItCanBeHeld()
    {
        QFETCH(QString, inRuntime);
        QFETCH(QString, besideFile);
        QFETCH(QString, runtimeFolder);
        QFETCH(bool, folderWritable);
        QFETCH(QString, expected);
        const QString file = folder->filePath(QStringLiteral("ZELKA!.DAT"));
        if (runtimeFolder == QLatin1String("unset"))
            qunsetenv("XDG_RUNTIME_DIR");
        plant(SingleInstance(file).lockPath(), inRuntime);
        plant(SingleInstance::canonicalPath(file) + QStringLiteral(".lock"), besideFile);
        if (::geteuid() == 0)
            for (const QTemporaryDir *dir : {&*runtime, &*folder, &*state})
                QCOMPARE(::chown(QFile::encodeName(dir->path()).constData(), nobody, nobody), 0);
        const auto readOnly = [](const QTemporaryDir &dir) {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther);
            // Owned by root, so nobody cannot write there.
            QVERIFY(::chown(QFile::encodeName(dir.path()).constData(), 0, 0) == 0 ||
                    ::geteuid() != 0);
        };
        if (runtimeFolder == QLatin1String("read-only"))
            readOnly(*runtime);
        if (!folderWritable)
            readOnly(*folder);

        const QList<QByteArray> outcome = inChildProcess([&] {
                                              SingleInstance first(file, 100ms);
                                              SingleInstance second(file, 100ms);
                                              const Claim a = first.claim();
                                              const Claim b = second.claim();
                                              return QByteArray::number(int(a)) + '\n' +
                                                     QByteArray::number(int(b)) + '\n' +
                                                     QFile::encodeName(first.lockPath());
                                          }).split('\n');
        QCOMPARE(outcome.size(), 3);
        QCOMPARE(Claim(outcome[0].toInt()), Claim::Run);
        QCOMPARE(Claim(outcome[1].toInt()), Claim::Knocked);
        const QString where = expected == QLatin1String("runtime") ? runtime->path()
                              : expected == QLatin1String("beside")
                                  ? SingleInstance::canonicalPath(folder->path())
                                  : state->path() + QStringLiteral("/zelka");
        QCOMPARE(QFileInfo(QFile::decodeName(outcome[2])).path(), where);
    }

    void aClaimOnAHeldLock_data()
    {
        QTest::addColumn<bool>("held");
        QTest::addColumn<bool>("killedClocksSocket");
        QTest::addColumn<int>("listensAfterMs"); // -1: never
        QTest::addColumn<int>("releasesAfterMs");
        QTest::addColumn<int>("answerWaitMs");
        QTest::addColumn<Claim>("expected");
        QTest::newRow("the holder answers") << true << false << 0 << -1 << 100 << Claim::Knocked;
        QTest::newRow("the holder never answers")
            << true << false << -1 << -1 << 100 << Claim::Refused;
        QTest::newRow("the holder listens a moment late")
            << true << false << 30 << -1 << 2000 << Claim::Knocked;
        QTest::newRow("the holder replaces a killed clock's socket late")
            << true << true << 30 << -1 << 2000 << Claim::Knocked;
        QTest::newRow("a killed clock's socket while the holder is silent")
            << true << true << -1 << -1 << 100 << Claim::Refused;
        QTest::newRow("the holder goes away while knocked on")
            << true << false << -1 << 30 << 2000 << Claim::Run;
        QTest::newRow("only a killed clock's socket left")
            << false << true << -1 << -1 << 100 << Claim::Run;
    }

    void aClaimOnAHeldLock()
    {
        QFETCH(bool, held);
        QFETCH(bool, killedClocksSocket);
        QFETCH(int, listensAfterMs);
        QFETCH(int, releasesAfterMs);
        QFETCH(int, answerWaitMs);
        QFETCH(Claim, expected);
        const QString file = folder->filePath(QStringLiteral("ZELKA!.DAT"));
        SingleInstance claimant(file, std::chrono::milliseconds(answerWaitMs));
        const int lockFd = ::open(QFile::encodeName(claimant.lockPath()).constData(),
                                  O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(lockFd >= 0);
        if (held)
            QCOMPARE(::flock(lockFd, LOCK_EX | LOCK_NB), 0);
        if (killedClocksSocket)
            leaveSocket(claimant.socketPath());
        int listenFd = -1;
        std::thread holder([&] {
            for (int ms = 0; ms <= std::max(listensAfterMs, releasesAfterMs); ms += 10) {
                if (ms == listensAfterMs)
                    listenFd = listenOn(claimant.socketPath());
                if (ms == releasesAfterMs)
                    ::flock(lockFd, LOCK_UN);
                std::this_thread::sleep_for(10ms);
            }
        });
        const Claim claimed = claimant.claim();
        holder.join();
        QCOMPARE(claimed, expected);
        QCOMPARE(claimant.refusal().isEmpty(), expected != Claim::Refused);
        if (expected == Claim::Run) {
            // Whoever runs must be reachable by the next start.
            SingleInstance next(file, 100ms);
            QCOMPARE(next.claim(), Claim::Knocked);
        }
        ::close(listenFd);
        ::close(lockFd);
    }

private:
    // What an earlier run or a crash left where a lock goes.
    static void plant(const QString &path, const QString &kind)
    {
        QFile lock(path);
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (!kind.isEmpty()) {
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(kind == QLatin1String("garbage") ? "\xff\xfe not a pid\n\n" : "");
            lock.close();
        }
        // Owned by root with no access for others; for a plain user, no access at all.
        if (kind == QLatin1String("foreign"))
            QVERIFY(lock.setPermissions(::geteuid() == 0 ? QFile::ReadOwner | QFile::WriteOwner
                                                         : QFile::Permissions()));
    }

    std::optional<QTemporaryDir> runtime;
    std::optional<QTemporaryDir> folder;
    std::optional<QTemporaryDir> state;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
