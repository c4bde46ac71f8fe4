#include "gbk.h"
#include "sdlsound.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

constexpr int rate = 22050;

// A mono 16-bit PCM WAVE file: a 441 Hz square wave that never sits at zero.
QByteArray wave(int milliseconds)
{
    const quint32 frames = quint32(rate) * quint32(milliseconds) / 1000;
    const quint32 dataBytes = frames * 2;
    QByteArray out;
    auto u32 = [&out](quint32 v) {
        for (int i = 0; i < 4; ++i)
            out.append(char((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&out](quint16 v) {
        out.append(char(v & 0xFF));
        out.append(char(v >> 8));
    };
    out.append("RIFF");
    u32(36 + dataBytes);
    out.append("WAVEfmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(rate);
    u32(rate * 2); // bytes per second
    u16(2);        // bytes per frame
    u16(16);       // bits per sample
    out.append("data");
    u32(dataBytes);
    for (quint32 i = 0; i < frames; ++i)
        u16(quint16((i / 25) % 2 ? 8000 : -6000));
    return out;
}

// The same sound as an AIFF file, which the mixer can decode too.
QByteArray aiff(int milliseconds)
{
    const quint32 frames = quint32(rate) * quint32(milliseconds) / 1000;
    QByteArray out;
    auto be = [&out](quint64 v, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            out.append(char((v >> (8 * i)) & 0xFF));
    };
    out.append("FORM");
    be(4 + 26 + 16 + frames * 2, 4);
    out.append("AIFFCOMM");
    be(18, 4);
    be(1, 2); // mono
    be(frames, 4);
    be(16, 2);
    be(16383 + 14, 2); // the rate as an 80-bit float: 22050 = 1.xxx * 2^14
    be(quint64(rate) << (63 - 14), 8);
    out.append("SSND");
    be(8 + frames * 2, 4);
    be(0, 8); // offset, block size
    for (quint32 i = 0; i < frames; ++i)
        be(quint16((i / 25) % 2 ? 8000 : -6000), 2);
    return out;
}

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(name));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Issues one of the requests by name; the result of startIfIdle, otherwise true.
bool request(SdlSound &sound, const QByteArray &kind, const QByteArray &path)
{
    if (kind == "loop")
        sound.loop(path);
    else if (kind == "once")
        sound.once(path);
    else if (kind == "startIfIdle")
        return sound.startIfIdle(path);
    else
        qFatal("unknown request %s", kind.constData());
    return true;
}

// Sets an environment variable for the rest of the scope.
auto envFor(const char *name, const QByteArray &value)
{
    const QByteArray old = qgetenv(name);
    const bool had = qEnvironmentVariableIsSet(name);
    qputenv(name, value);
    return qScopeGuard([name, old, had] {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    });
}

} // namespace

class TestSdlSound : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    // As the settings hold it: GBK bytes.
    QByteArray path(const char *name) const
    {
        return Gbk::fromUnicode(dir.filePath(QString::fromUtf8(name)));
    }
    QByteArray shortWave() const { return path("short.wav"); } // 0.1 s
    QByteArray longWave() const { return path("long.wav"); }   // 3 s

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void playsOnceThenReleasesTheDevice_data();
    void playsOnceThenReleasesTheDevice();
    void onceReachesTheDeviceWhole();
    void loopPlaysUntilStopped();
    void stopSilencesAndReleases_data();
    void stopSilencesAndReleases();
    void startIfIdleRefusedWhilePlaying_data();
    void startIfIdleRefusedWhilePlaying();
    void startIfIdleTrueWhenIdle_data();
    void startIfIdleTrueWhenIdle();
    void newSoundReplacesThePlayingOne_data();
    void newSoundReplacesThePlayingOne();
    void unplayableFilePlaysNothing_data();
    void unplayableFilePlaysNothing();
    void gbkPaths_data();
    void gbkPaths();
    void noAudioDevice_data();
    void noAudioDevice();
};

void TestSdlSound::initTestCase()
{
    // A deterministic device with no sound server; read by SDL each time audio starts.
    qputenv("SDL_AUDIODRIVER", "dummy");
    QVERIFY(dir.isValid());
    writeFile(dir.filePath(QStringLiteral("short.wav")), wave(100));
    writeFile(dir.filePath(QStringLiteral("long.wav")), wave(3000));
    writeFile(dir.filePath(QStringLiteral("铃声.wav")), wave(100));
    writeFile(dir.filePath(QStringLiteral("text.wav")),
              QByteArrayLiteral("not a sound at all, just text\n"));
    writeFile(dir.filePath(QStringLiteral("empty.wav")), QByteArray());
    // The right magic and nothing after it.
    writeFile(dir.filePath(QStringLiteral("header.wav")), wave(200).left(12));
    // The mixer could play it, but this program plays WAVE files only.
    writeFile(dir.filePath(QStringLiteral("aiff.wav")), aiff(100));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.wav")));
    QCOMPARE(
        ::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.wav"))).constData(), 0600), 0);
    QVERIFY(!SdlSound::holdsAudioDevice());
}

void TestSdlSound::cleanup()
{
    // Every test ends with its SdlSound destroyed: nothing may be left holding audio.
    QVERIFY(!SdlSound::holdsAudioDevice());
}

void TestSdlSound::playsOnceThenReleasesTheDevice_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::newRow("once") << QByteArray("once");
    QTest::newRow("startIfIdle") << QByteArray("startIfIdle");
}

void TestSdlSound::playsOnceThenReleasesTheDevice()
{
    QFETCH(QByteArray, kind);
    SdlSound sound;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(request(sound, kind, shortWave()));
    QVERIFY(sound.isPlaying());
    QVERIFY(SdlSound::holdsAudioDevice());
    QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 3000);
    // The dummy device consumes in real time: ending much sooner means it did not play.
    QCOMPARE_GE(clock.elapsed(), 80);
    QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 3000);
}

void TestSdlSound::onceReachesTheDeviceWhole()
{
    // The disk driver writes what the device would play: 44.1 kHz stereo 16-bit.
    const QString out = dir.filePath(QStringLiteral("device.raw"));
    auto driver = envFor("SDL_AUDIODRIVER", "disk");
    auto file = envFor("SDL_DISKAUDIOFILE", QFile::encodeName(out));
    {
        SdlSound sound;
        sound.once(shortWave());
        QVERIFY(sound.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 3000);
    }
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    qsizetype sounding = 0;
    for (qsizetype i = 0; i + 3 < bytes.size(); i += 4)
        sounding += bytes[i] || bytes[i + 1] || bytes[i + 2] || bytes[i + 3];
    // 0.1 s at 44.1 kHz is 4410 frames; allow the resampler a few at either end.
    QCOMPARE_GE(sounding, 4380);
    QCOMPARE_LE(sounding, 4440);
}

void TestSdlSound::loopPlaysUntilStopped()
{
    SdlSound sound;
    sound.loop(shortWave());
    QVERIFY(sound.isPlaying());
    QTest::qWait(400); // four times the file's length
    QVERIFY(sound.isPlaying());
    QVERIFY(SdlSound::holdsAudioDevice());
    sound.stop();
    QVERIFY(!sound.isPlaying());
    QVERIFY(!SdlSound::holdsAudioDevice());
}

void TestSdlSound::stopSilencesAndReleases_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<bool>("playFirst");
    QTest::newRow("loop") << QByteArray("loop") << true;
    QTest::newRow("once") << QByteArray("once") << true;
    QTest::newRow("nothing playing") << QByteArray() << false;
}

void TestSdlSound::stopSilencesAndReleases()
{
    QFETCH(QByteArray, kind);
    QFETCH(bool, playFirst);
    SdlSound sound;
    if (playFirst) {
        request(sound, kind, longWave());
        QVERIFY(sound.isPlaying());
        QTest::qWait(50);
    }
    sound.stop();
    QVERIFY(!sound.isPlaying());
    QVERIFY(!SdlSound::holdsAudioDevice());
    // The end reported by the halt arrives late and must not cut the next sound short.
    QVERIFY(sound.startIfIdle(longWave()));
    QTest::qWait(300);
    QVERIFY(sound.isPlaying());
}

void TestSdlSound::startIfIdleRefusedWhilePlaying_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QByteArray>("playing");
    QTest::addColumn<QByteArray>("offered");
    QTest::newRow("during a loop") << QByteArray("loop") << shortWave() << shortWave();
    QTest::newRow("during a once") << QByteArray("once") << longWave() << shortWave();
    QTest::newRow("missing file offered")
        << QByteArray("loop") << shortWave() << path("absent.wav");
}

void TestSdlSound::startIfIdleRefusedWhilePlaying()
{
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, playing);
    QFETCH(QByteArray, offered);
    SdlSound sound;
    request(sound, kind, playing);
    QVERIFY(sound.isPlaying());
    QVERIFY(!sound.startIfIdle(offered));
    // Had the short once replaced it, it would have ended by now.
    QTest::qWait(300);
    QVERIFY(sound.isPlaying());
}

void TestSdlSound::startIfIdleTrueWhenIdle_data()
{
    QTest::addColumn<QByteArray>("offered");
    QTest::addColumn<bool>("plays");
    QTest::newRow("playable") << shortWave() << true;
    QTest::newRow("missing file") << path("absent.wav") << false;
    QTest::newRow("not a WAVE file") << path("text.wav") << false;
}

void TestSdlSound::startIfIdleTrueWhenIdle()
{
    QFETCH(QByteArray, offered);
    QFETCH(bool, plays);
    SdlSound sound;
    QVERIFY(sound.startIfIdle(offered));
    QCOMPARE(sound.isPlaying(), plays);
    QCOMPARE(SdlSound::holdsAudioDevice(), plays);
    // Idle again once a sound has played to its end.
    sound.once(shortWave());
    QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 3000);
    QVERIFY(sound.startIfIdle(offered));
    QCOMPARE(sound.isPlaying(), plays);
}

void TestSdlSound::newSoundReplacesThePlayingOne_data()
{
    QTest::addColumn<QByteArray>("firstKind");
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("secondKind");
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<bool>("endsByItself");
    QTest::newRow("once replaces loop")
        << QByteArray("loop") << shortWave() << QByteArray("once") << shortWave() << true;
    QTest::newRow("loop replaces once")
        << QByteArray("once") << shortWave() << QByteArray("loop") << shortWave() << false;
    QTest::newRow("short once replaces long once")
        << QByteArray("once") << longWave() << QByteArray("once") << shortWave() << true;
    QTest::newRow("loop replaces loop")
        << QByteArray("loop") << shortWave() << QByteArray("loop") << path("铃声.wav") << false;
}

void TestSdlSound::newSoundReplacesThePlayingOne()
{
    QFETCH(QByteArray, firstKind);
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, secondKind);
    QFETCH(QByteArray, second);
    QFETCH(bool, endsByItself);
    SdlSound sound;
    request(sound, firstKind, first);
    QVERIFY(sound.isPlaying());
    QTest::qWait(50);
    request(sound, secondKind, second);
    QVERIFY(sound.isPlaying());
    if (endsByItself) {
        // Well before the first sound would have ended.
        QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 1500);
        QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 1500);
    } else {
        QTest::qWait(300);
        QVERIFY(sound.isPlaying());
    }
}

void TestSdlSound::unplayableFilePlaysNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("missing") << path("absent.wav");
    QTest::newRow("empty path") << QByteArray();
    QTest::newRow("text") << path("text.wav");
    QTest::newRow("empty file") << path("empty.wav");
    QTest::newRow("WAVE header only") << path("header.wav");
    QTest::newRow("AIFF") << path("aiff.wav");
    QTest::newRow("directory") << path("folder.wav");
    QTest::newRow("named pipe") << path("fifo.wav");
}

void TestSdlSound::unplayableFilePlaysNothing()
{
    QFETCH(QByteArray, file);
    SdlSound sound;
    for (const char *kind : {"loop", "once", "startIfIdle"}) {
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(request(sound, kind, file), kind);
        QVERIFY2(clock.elapsed() < 1000, kind);
        QVERIFY2(!sound.isPlaying(), kind);
        QVERIFY2(!SdlSound::holdsAudioDevice(), kind);
    }
    // Even a request that plays nothing ends the sound before it.
    sound.loop(shortWave());
    QVERIFY(sound.isPlaying());
    sound.once(file);
    QVERIFY(!sound.isPlaying());
    QVERIFY(!SdlSound::holdsAudioDevice());
}

void TestSdlSound::gbkPaths_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("relative");
    QTest::addColumn<bool>("plays");
    const QByteArray name = Gbk::fromUnicode(QStringLiteral("铃声.wav"));
    QCOMPARE(name, QByteArray("\xC1\xE5\xC9\xF9.wav"));
    QTest::newRow("GBK bytes") << Gbk::fromUnicode(dir.filePath(QStringLiteral("铃声.wav")))
                               << false << true;
    QTest::newRow("relative GBK name") << name << true << true;
    QTest::newRow("relative plain name") << QByteArray("short.wav") << true << true;
    // The UTF-8 bytes read as GBK name some other file.
    QTest::newRow("UTF-8 bytes") << dir.filePath(QStringLiteral("铃声.wav")).toUtf8() << false
                                 << false;
}

void TestSdlSound::gbkPaths()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, relative);
    QFETCH(bool, plays);
    const QString before = QDir::currentPath();
    auto back = qScopeGuard([&] { QDir::setCurrent(before); });
    QVERIFY(QDir::setCurrent(relative ? dir.path() : QDir::rootPath()));
    SdlSound sound;
    sound.once(file);
    QCOMPARE(sound.isPlaying(), plays);
}

void TestSdlSound::noAudioDevice_data()
{
    QTest::addColumn<QByteArray>("driver");
    QTest::addColumn<QByteArray>("diskFile");
    QTest::newRow("no such driver") << QByteArray("nonexistent") << QByteArray();
    // The disk driver starts but cannot open its device: the mixer's open fails.
    QTest::newRow("device fails to open")
        << QByteArray("disk") << QByteArray("/nonexistent/dir/out.raw");
}

void TestSdlSound::noAudioDevice()
{
    QFETCH(QByteArray, driver);
    QFETCH(QByteArray, diskFile);
    auto useDriver = envFor("SDL_AUDIODRIVER", driver);
    auto useFile = envFor("SDL_DISKAUDIOFILE", diskFile);
    SdlSound sound;
    for (const char *kind : {"loop", "once", "startIfIdle", "startIfIdle"}) {
        QVERIFY2(request(sound, kind, shortWave()), kind);
        QVERIFY2(!sound.isPlaying(), kind);
        QVERIFY2(!SdlSound::holdsAudioDevice(), kind);
    }
    sound.stop();
    QVERIFY(!SdlSound::holdsAudioDevice());
}

QTEST_GUILESS_MAIN(TestSdlSound)
#include "tst_sdlsound.moc"
