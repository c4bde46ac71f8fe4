#include "singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

using Claim = SingleInstance::Claim;
using namespace std::chrono_literals;
Q_DECLARE_METATYPE(SingleInstance::Claim)

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(runtime.isValid() && folder.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(runtime.filePath(QStringLiteral("state"))));
    }

    void aSecondClaimOnTheSameFileKnocksAndIsRefused()
    {
        const QString file = folder.filePath(QStringLiteral("ZELKA!.DAT"));
        SingleInstance first(file);
        int knocks = 0;
        QObject::connect(&first, &SingleInstance::knock, [&] { ++knocks; });
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
        QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("sub")));
        QFile::link(folder.path(), folder.filePath(QStringLiteral("link")));
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder.path());
        SingleInstance first(folder.filePath(QStringLiteral("ZELKA!.DAT")));
        QCOMPARE(first.claim(), Claim::Run);
        SingleInstance second(otherName);
        QCOMPARE(second.lockPath(), first.lockPath());
        QCOMPARE(second.claim(), Claim::Knocked);
        QDir::setCurrent(previous);
    }

    void filesInTwoFoldersRunSideBySide()
    {
        QTemporaryDir other;
        SingleInstance first(folder.filePath(QStringLiteral("ZELKA!.DAT")));
        SingleInstance second(other.filePath(QStringLiteral("ZELKA!.DAT")));
        QCOMPARE(first.claim(), Claim::Run);
        QCOMPARE(second.claim(), Claim::Run);
    }

    void theLockIsFreeAgainOnceItsHolderIsGone()
    {
        const QString file = folder.filePath(QStringLiteral("ZELKA!.DAT"));
        auto first = std::make_unique<SingleInstance>(file);
        QCOMPARE(first->claim(), Claim::Run);
        first.reset();
        SingleInstance next(file);
        QCOMPARE(next.claim(), Claim::Run);
    }

    void withoutARuntimeFolderTheLockSitsBesideTheFile()
    {
        qunsetenv("XDG_RUNTIME_DIR");
        const QString file = folder.filePath(QStringLiteral("ZELKA!.DAT"));
        SingleInstance first(file);
        QCOMPARE(first.lockPath(), SingleInstance::canonicalPath(file) + QStringLiteral(".lock"));
        QCOMPARE(first.claim(), Claim::Run);
        SingleInstance second(file);
        QCOMPARE(second.claim(), Claim::Knocked);
    }

    // Whatever earlier runs left, one clock runs and a second start finds it.
    void whatEarlierRunsLeft_data()
    {
        QTest::addColumn<QString>("inRuntime");
        QTest::addColumn<QString>("besideFile");
        QTest::addColumn<Claim>("first");
        QTest::addColumn<QString>("lockIn");
        // clang-format off
        QTest::newRow("nothing") << "-" << "-" << Claim::Run << "runtime";
        QTest::newRow("empty lock") << "empty" << "-" << Claim::Run << "runtime";
        QTest::newRow("garbage lock") << "garbage" << "-" << Claim::Run << "runtime";
        QTest::newRow("root's unreadable lock") << "foreign" << "-" << Claim::Run << "beside";
        QTest::newRow("no runtime, empty beside") << "unset" << "empty" << Claim::Run << "beside";
        QTest::newRow("root's locks in both") << "foreign" << "foreign" << Claim::Run << "state";
        QTest::newRow("both folders unwritable") << "ro" << "ro" << Claim::Run << "state";
        QTest::newRow("a killed clock's socket") << "socket" << "-" << Claim::Run << "runtime";
        QTest::newRow("holder never answers") << "held" << "-" << Claim::Refused << "runtime";
        QTest::newRow("holder listens late") << "late listen" << "-" << Claim::Knocked << "runtime";
        QTest::newRow("holder gone while knocked") << "late exit" << "-" << Claim::Run << "runtime";
        QTest::newRow("a FIFO for the lock") << "fifo" << "-" << Claim::Run << "beside";
        // clang-format on
    }

    void whatEarlierRunsLeft()
    {
        QFETCH(QString, inRuntime);
        QFETCH(QString, besideFile);
        QFETCH(Claim, first);
        QFETCH(QString, lockIn);
        QTemporaryDir runtimeDir, settingsDir, stateDir;
        qputenv("XDG_RUNTIME_DIR",
                QFile::encodeName(inRuntime == "unset" ? QString() : runtimeDir.path()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(stateDir.path()));
        const QString file = settingsDir.filePath(QStringLiteral("ZELKA!.DAT"));
        const SingleInstance probe(file);
        const int held = plant(runtimeDir, probe.lockPath(), inRuntime, probe.socketPath());
        // The holder between taking the lock and listening, or on its way out, at the knock.
        std::jthread holder([&] {
            std::this_thread::sleep_for(20ms);
            if (inRuntime == "late listen")
                ::listen(lateSocket, 1);
            else if (inRuntime == "late exit")
                ::close(held);
        });
        plant(settingsDir, SingleInstance::canonicalPath(file) + ".lock", besideFile, {});
        // Root passes every permission check: the claims run as nobody, in folders of theirs.
        const bool root = ::geteuid() == 0;
        for (const QTemporaryDir *dir : {&runtimeDir, &settingsDir, &stateDir})
            if (root && QFileInfo(dir->path()).permission(QFile::WriteOwner))
                QCOMPARE(::chown(QFile::encodeName(dir->path()).constData(), 65534, 65534), 0);
        QVERIFY(!root || ::setegid(65534) + ::seteuid(65534) == 0);
        Claim a{}, b{};
        QString where;
        {
            SingleInstance one(file, 100ms), two(file, 100ms);
            a = one.claim();
            b = two.claim();
            where = QFileInfo(one.lockPath()).path();
        }
        QVERIFY(!root || ::seteuid(0) + ::setegid(0) == 0);
        holder.join();
        if (inRuntime != "late exit")
            ::close(held);
        ::close(std::exchange(lateSocket, -1));
        QCOMPARE(a, first);
        QCOMPARE(b, first == Claim::Run ? Claim::Knocked : first);
        QCOMPARE(where, lockIn == "runtime"  ? runtimeDir.path()
                        : lockIn == "beside" ? QDir(settingsDir.path()).canonicalPath()
                                             : stateDir.filePath(QStringLiteral("zelka")));
    }

private:
    // What a power cut, a kill or a clock run as root left where a lock goes: as root,
    // every file planted here is root's ("foreign" for a plain user: one it may not open).
    // "ro" makes the folder read-only; "held" returns the descriptor that holds the lock;
    // "late listen" holds it too and leaves lateSocket bound but not listening yet.
    int plant(const QTemporaryDir &dir, const QString &path, const QString &kind,
              const QString &socket)
    {
        QFile lock(path);
        if (kind == "ro")
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther);
        else if (kind != "-" && kind != "unset" && kind != "fifo" &&
                 lock.open(QIODevice::WriteOnly))
            lock.write(kind == "garbage" ? "\xff\xfe not a pid\n" : "");
        if (kind == "foreign")
            lock.setPermissions(::geteuid() == 0 ? QFile::ReadOwner : QFile::Permissions());
        if (kind == "fifo")
            ::mkfifo(QFile::encodeName(path).constData(), 0600), lock.setPermissions(all);
        const int fd = kind == "held" || kind.startsWith("late")
                           ? ::open(QFile::encodeName(path).constData(), O_RDONLY)
                           : -1;
        ::flock(fd, LOCK_EX);
        if (kind == "socket" || kind == "late listen") {
            sockaddr_un address{AF_UNIX, {}};
            qstrncpy(address.sun_path, QFile::encodeName(socket).constData(),
                     sizeof address.sun_path);
            const int bound = ::socket(AF_UNIX, SOCK_STREAM, 0);
            ::bind(bound, reinterpret_cast<const sockaddr *>(&address), sizeof address);
            QFile::setPermissions(socket, all);
            if (kind == "late listen")
                lateSocket = bound;
            else
                ::close(bound);
        }
        return fd;
    }

    static constexpr QFile::Permissions all =
        QFile::Permissions::fromInt(0x6666); // read and write for everyone
    QTemporaryDir runtime;
    QTemporaryDir folder;
    int lateSocket = -1;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
