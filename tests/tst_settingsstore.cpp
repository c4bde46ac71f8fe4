#include "scratchfile.h"
#include "settingsstore.h"

#include <QSignalSpy>
#include <QTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each save writes where the window is at that moment, and reports a failure as its
    // policy says: fatal ones and warnings are told, silent ones not, none after the quit.
    void savesByPolicy_data()
    {
        QTest::addColumn<SavePolicy>("policy");
        QTest::addColumn<bool>("blocked"); // a directory in the file's place
        QTest::addColumn<bool>("finished");
        QTest::addColumn<bool>("written");
        QTest::addColumn<bool>("reported");
        QTest::newRow("fatal") << SavePolicy::Fatal << false << false << true << false;
        QTest::newRow("fatal, failing") << SavePolicy::Fatal << true << false << false << true;
        QTest::newRow("warn") << SavePolicy::Warn << false << false << true << false;
        QTest::newRow("warn, failing") << SavePolicy::Warn << true << false << false << true;
        QTest::newRow("silent") << SavePolicy::Silent << false << false << true << false;
        QTest::newRow("silent, failing") << SavePolicy::Silent << true << false << false << false;
        QTest::newRow("fatal after the quit's save")
            << SavePolicy::Fatal << false << true << false << false;
        QTest::newRow("warn after the quit's save")
            << SavePolicy::Warn << false << true << false << false;
    }

    void savesByPolicy()
    {
        QFETCH(SavePolicy, policy);
        QFETCH(bool, blocked);
        QFETCH(bool, finished);
        QFETCH(bool, written);
        QFETCH(bool, reported);
        ScratchFile dir;
        SettingsStore store(SettingsStore::quitWait, 0);
        QVERIFY(!store.load(dir.file).failure);
        QCOMPARE(store.path(), dir.file);
        if (blocked)
            QVERIFY(QFile::remove(dir.file) &&
                    QDir(dir.path()).mkdir(QStringLiteral("ZELKA!.DAT")));
        store.settings().windowX = 5;
        connect(&store, &SettingsStore::aboutToSave, [&] { store.settings().windowX = 77; });
        QSignalSpy failures(&store, &SettingsStore::failed);
        if (finished)
            store.finish();
        store.save(policy);
        Settings expected;
        expected.windowX = 77;
        const QByteArray bytes = SettingsCodec::encode(expected, AlarmList());
        if (written)
            QTRY_COMPARE(readAll(dir.file), bytes);
        if (reported) {
            QTRY_COMPARE(failures.size(), 1);
            QCOMPARE(failures.first().at(1).value<SavePolicy>(), policy);
        }
        QCOMPARE(failures.size(), reported ? 1 : 0);
        if (!written && !blocked)
            QCOMPARE(readAll(dir.file), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
