#include "singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(runtime.isValid() && folder.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }

    void aSecondClaimOnTheSameFileKnocksAndIsRefused()
    {
        const QString file = folder.filePath(QStringLiteral("ZELKA!.DAT"));
        SingleInstance first(file);
        int knocks = 0;
        first.onKnock = [&] { ++knocks; };
        QVERIFY(first.claim());
        {
            SingleInstance second(file);
            QVERIFY(!second.claim());
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
        QVERIFY(first.claim());
        SingleInstance second(otherName);
        QCOMPARE(second.lockPath(), first.lockPath());
        QVERIFY(!second.claim());
        QDir::setCurrent(previous);
    }

    void filesInTwoFoldersRunSideBySide()
    {
        QTemporaryDir other;
        SingleInstance first(folder.filePath(QStringLiteral("ZELKA!.DAT")));
        SingleInstance second(other.filePath(QStringLiteral("ZELKA!.DAT")));
        QVERIFY(first.claim());
        QVERIFY(second.claim());
    }

    void theLockIsFreeAgainOnceItsHolderIsGone()
    {
        const QString file = folder.filePath(QStringLiteral("ZELKA!.DAT"));
        auto first = std::make_unique<SingleInstance>(file);
        QVERIFY(first->claim());
        first.reset();
        SingleInstance next(file);
        QVERIFY(next.claim());
    }

    void withoutARuntimeFolderTheLockSitsBesideTheFile()
    {
        qunsetenv("XDG_RUNTIME_DIR");
        const QString file = folder.filePath(QStringLiteral("ZELKA!.DAT"));
        SingleInstance first(file);
        QCOMPARE(first.lockPath(), SingleInstance::canonicalPath(file) + QStringLiteral(".lock"));
        QVERIFY(first.claim());
        SingleInstance second(file);
        QVERIFY(!second.claim());
    }

private:
    QTemporaryDir runtime;
    QTemporaryDir folder;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
