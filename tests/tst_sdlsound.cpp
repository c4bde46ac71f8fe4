#include "gbk.h"
#include "logcapture.h"
#include "sdlsound.h"
#include "wavebytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int rate = 22050;

// A mono 16-bit PCM WAVE file: a 441 Hz square wave that never sits at zero.
QByteArray wave(int milliseconds)
{
    QByteArray samples;
    for (int i = 0; i < rate * milliseconds / 1000; ++i)
        samples += WaveBytes::le(quint16((i / 25) % 2 ? 8000 : -6000), 2);
    return WaveBytes::riff(WaveBytes::chunk("fmt ", WaveBytes::pcm(1, rate, 16)) +
                           WaveBytes::chunk("data", samples));
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

// Encodes a WAVE file with one of Debian's command-line encoders (flac, vorbis-tools).
void encode(const QString &program, const QStringList &arguments)
{
    QProcess encoder;
    encoder.start(program, arguments);
    QVERIFY2(encoder.waitForFinished(10000), qPrintable(program + u' ' + encoder.errorString()));
    QCOMPARE(encoder.exitCode(), 0);
}

// A WAVE file of `bytes` bytes: its sound, then a hole in the file (silence that takes no
// disk and no time to write).
void writeLargeWave(const QString &name, qint64 bytes, const QByteArray &format,
                    const QByteArray &sound)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray header = WaveBytes::riff(WaveBytes::chunk("fmt ", format)) + "data";
    QVERIFY(f.write(header + WaveBytes::le(bytes - header.size() - 4, 4) + sound) > 0);
    QVERIFY(f.resize(bytes));
}

// `ms` of 44.1 kHz stereo that never sits at zero: as 16-bit PCM a 441 Hz square wave, as
// IMA ADPCM a rise to full scale in every block.
QByteArray squareWave(int ms, bool adpcm)
{
    QByteArray sound;
    for (int i = 0; i < 44100 * ms / (adpcm ? 1017 * 1000 : 1000); ++i)
        sound += adpcm ? WaveBytes::le(0x03E8'0000'03E8, 8) + QByteArray(1016, '\x77')
                       : WaveBytes::le(quint16((i / 50) % 2 ? 7000 : -7000), 2).repeated(2);
    return sound;
}

// The most memory the process has ever had resident, in bytes.
qint64 peakResidentBytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

// The process's resident memory, in bytes.
qint64 residentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return f.readAll().split(' ').value(1).toLongLong() * ::sysconf(_SC_PAGESIZE);
}

// Frames of a 16-bit stereo recording that are not silent.
qsizetype soundingFrames(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = f.readAll();
    qsizetype sounding = 0;
    for (qsizetype i = 0; i + 3 < bytes.size(); i += 4)
        sounding += bytes[i] || bytes[i + 1] || bytes[i + 2] || bytes[i + 3];
    return sounding;
}

// The loudest sample of a raw 16-bit stereo device file, over frames from fromFrame on.
int peak(const QString &name, qsizetype fromFrame = 0, qsizetype frames = -1)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    QByteArray bytes = f.readAll();
    if (frames >= 0)
        bytes.truncate((fromFrame + frames) * 4);
    int loudest = 0;
    for (qsizetype i = fromFrame * 4; i + 1 < bytes.size(); i += 2)
        loudest =
            std::max(loudest, std::abs(int(qint16(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8))));
    return loudest;
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
    QByteArray largeWave() const { return path("large.wav"); } // 200 MB, 10 s of sound

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void playsOnceThenReleasesTheDevice_data();
    void playsOnceThenReleasesTheDevice();
    void onceReachesTheDeviceWhole_data();
    void onceReachesTheDeviceWhole();
    void loopPlaysUntilStopped();
    void loopVolumeReachesTheDevice_data();
    void loopVolumeReachesTheDevice();
    void loopVolumeChangesWhilePlaying();
    void stopSilencesAndReleases_data();
    void stopSilencesAndReleases();
    void stopIsSilentWithinATenth_data();
    void stopIsSilentWithinATenth();
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
    void largeFileStartsAtOnceAndPlays_data();
    void largeFileStartsAtOnceAndPlays();
    void laterRequestOvertakesADecode_data();
    void laterRequestOvertakesADecode();
    void unheardAlarmToldOnce_data();
    void unheardAlarmToldOnce();
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
    // The mixer could play it, but the picker offers WAVE, Ogg, FLAC, MP3 and Opus only.
    writeFile(dir.filePath(QStringLiteral("aiff.wav")), aiff(100));
    writeFile(dir.filePath(QStringLiteral("sound.aiff")), aiff(100));
    // Longer than a device period, which the mixer fills at once.
    writeFile(dir.filePath(QStringLiteral("mid.wav")), wave(300));
    // The same sound, compressed; a name that says otherwise does not matter.
    encode(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("-o"),
                                      dir.filePath(QStringLiteral("mid.ogg")),
                                      dir.filePath(QStringLiteral("mid.wav"))});
    // At the device's rate: SDL_mixer 2.6.2 drops a resampled FLAC file's last 1024 frames.
    writeFile(dir.filePath(QStringLiteral("stereo.wav")),
              WaveBytes::riff(WaveBytes::chunk("fmt ", WaveBytes::pcm(2, 44100, 16)) +
                              WaveBytes::chunk("data", squareWave(300, false))));
    encode(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("-o"),
                                    dir.filePath(QStringLiteral("flac.wav")),
                                    dir.filePath(QStringLiteral("stereo.wav"))});
    writeFile(dir.filePath(QStringLiteral("broken.ogg")),
              "OggS" + QByteArray(4000, '\x5A'));
    writeLargeWave(dir.filePath(QStringLiteral("large.wav")), 200 * 1024 * 1024,
                   WaveBytes::pcm(2, 44100, 16), squareWave(10000, false));
    writeLargeWave(dir.filePath(QStringLiteral("adpcm.wav")), 200 * 1024 * 1024,
                   WaveBytes::imaStereo(44100), squareWave(10000, true));
    writeFile(dir.filePath(QStringLiteral("rate0.wav")),
              WaveBytes::riff(WaveBytes::chunk("fmt ", WaveBytes::format(1, 1, 0, 0, 2, 16)) +
                              WaveBytes::chunk("data", wave(100).mid(44))));
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
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("once") << QByteArray("once") << path("mid.wav");
    QTest::newRow("startIfIdle") << QByteArray("startIfIdle") << path("mid.wav");
    QTest::newRow("Ogg Vorbis once") << QByteArray("once") << path("mid.ogg");
    QTest::newRow("FLAC startIfIdle") << QByteArray("startIfIdle") << path("flac.wav");
}

void TestSdlSound::playsOnceThenReleasesTheDevice()
{
    QFETCH(QByteArray, kind);
    QFETCH(QByteArray, file);
    SdlSound sound;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(request(sound, kind, file));
    QVERIFY(sound.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 3000);
    // The dummy device consumes in real time, a period at a time: ending much sooner than
    // the 0.3 s less one period means it did not play.
    QCOMPARE_GE(clock.elapsed(), 180);
    QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 3000);
}

void TestSdlSound::onceReachesTheDeviceWhole_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("frames"); // at 44.1 kHz
    QTest::newRow("WAVE") << shortWave() << 4410;
    QTest::newRow("Ogg Vorbis") << path("mid.ogg") << 13230;
    QTest::newRow("FLAC") << path("flac.wav") << 13230;
}

void TestSdlSound::onceReachesTheDeviceWhole()
{
    QFETCH(QByteArray, file);
    // The disk driver writes what the device would play: 44.1 kHz stereo 16-bit.
    const QString out = dir.filePath(QStringLiteral("device.raw"));
    auto driver = envFor("SDL_AUDIODRIVER", "disk");
    auto disk = envFor("SDL_DISKAUDIOFILE", QFile::encodeName(out));
    {
        SdlSound sound;
        sound.once(file);
        QVERIFY(sound.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 3000);
    }
    QFETCH(int, frames);
    const qsizetype sounding = soundingFrames(out);
    // Allow the resampler a few at either end.
    QCOMPARE_GE(sounding, frames - 30);
    QCOMPARE_LE(sounding, frames + 30);
}

void TestSdlSound::loopVolumeReachesTheDevice_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("share"); // of the full peak, in percent
    QTest::newRow("loop at full") << QByteArray("loop") << 128 << 100;
    QTest::newRow("loop at a quarter") << QByteArray("loop") << 32 << 25;
    QTest::newRow("loop at the quietest") << QByteArray("loop") << 1 << 1;
    QTest::newRow("once ignores the loop's volume") << QByteArray("once") << 32 << 100;
}

void TestSdlSound::loopVolumeReachesTheDevice()
{
    QFETCH(QByteArray, kind);
    QFETCH(int, volume);
    QFETCH(int, share);
    const QString out = dir.filePath(QStringLiteral("volume.raw"));
    auto driver = envFor("SDL_AUDIODRIVER", "disk");
    auto file = envFor("SDL_DISKAUDIOFILE", QFile::encodeName(out));
    {
        SdlSound sound;
        sound.setLoopVolume(volume);
        request(sound, kind, shortWave());
        QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
        QTest::qWait(150);
        sound.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 3000);
    }
    // The file's square wave peaks at 8000, the resampler overshoots it by up to a fifth, and
    // the mixer scales by volume / 128.
    const int expected = 8000 * share / 100;
    QCOMPARE_GE(peak(out), expected * 9 / 10);
    QCOMPARE_LE(peak(out), expected * 5 / 4);
}

void TestSdlSound::loopVolumeChangesWhilePlaying()
{
    const QString out = dir.filePath(QStringLiteral("rising.raw"));
    auto driver = envFor("SDL_AUDIODRIVER", "disk");
    auto file = envFor("SDL_DISKAUDIOFILE", QFile::encodeName(out));
    {
        SdlSound sound;
        sound.setLoopVolume(16);
        sound.loop(shortWave());
        QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
        QTest::qWait(300);
        sound.setLoopVolume(Sound::fullVolume);
        QTest::qWait(300);
        sound.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 3000);
    }
    // Quiet from the first sample (an eighth), full once raised.
    QCOMPARE_GE(peak(out), 7200);
    QCOMPARE_LE(peak(out, 0, 4410), peak(out) / 6);
}

void TestSdlSound::loopPlaysUntilStopped()
{
    SdlSound sound;
    sound.loop(shortWave());
    QVERIFY(sound.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
    QTest::qWait(400); // four times the file's length
    QVERIFY(sound.isPlaying());
    QVERIFY(SdlSound::holdsAudioDevice());
    sound.stop();
    QVERIFY(!sound.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 1000);
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
        QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
        QTest::qWait(50);
    }
    sound.stop();
    QVERIFY(!sound.isPlaying());
    QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 1000);
    // The end reported by the halt arrives late and must not cut the next sound short.
    QVERIFY(sound.startIfIdle(longWave()));
    QTest::qWait(300);
    QVERIFY(sound.isPlaying());
    QVERIFY(SdlSound::holdsAudioDevice());
}

void TestSdlSound::stopIsSilentWithinATenth_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("WAVE") << longWave();
    QTest::newRow("Ogg Vorbis") << path("mid.ogg");
}

void TestSdlSound::stopIsSilentWithinATenth()
{
    QFETCH(QByteArray, file);
    // The disk driver writes a period, then waits while it "plays": what it wrote past the
    // stop is what a device would still sound after it.
    const QString out = dir.filePath(QStringLiteral("stop.raw"));
    QFile::remove(out);
    auto driver = envFor("SDL_AUDIODRIVER", "disk");
    auto disk = envFor("SDL_DISKAUDIOFILE", QFile::encodeName(out));
    QElapsedTimer clock;
    qint64 playedMs = 0;
    {
        SdlSound sound;
        sound.loop(file);
        clock.start();
        // From the first sounding period written (a compressed file's device opens before
        // its decoding, writing silence), seen a millisecond or two late at most.
        while (soundingFrames(out) <= 0 && clock.elapsed() < 3000)
            QThread::msleep(1);
        clock.start();
        QTest::qWait(450);
        playedMs = clock.elapsed();
        sound.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 1000);
    }
    const qint64 soundedMs = soundingFrames(out) * 1000 / 44100;
    qInfo("sounded %lld ms past the stop", soundedMs - playedMs);
    QCOMPARE_GE(soundedMs, playedMs - 100);
    QCOMPARE_LE(soundedMs, playedMs + 100);
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
    // Busy while the file is read, whether or not it turns out to play.
    QVERIFY(sound.isPlaying());
    QVERIFY(!sound.startIfIdle(offered));
    if (plays)
        QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
    else
        QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 3000);
    QCOMPARE(SdlSound::holdsAudioDevice(), plays);
    // Idle again once a sound has played to its end.
    sound.once(shortWave());
    QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 3000);
    QVERIFY(sound.startIfIdle(offered));
    QVERIFY(sound.isPlaying());
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
    QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
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
        QVERIFY2(clock.elapsed() < 100, kind);
        QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 1000);
        QVERIFY2(!SdlSound::holdsAudioDevice(), kind);
        // A gentle start raising an unheard ringing's volume, even before the mixer loaded.
        sound.setLoopVolume(Sound::fullVolume / 2);
    }
    // Even a request that plays nothing ends the sound before it.
    sound.loop(shortWave());
    QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
    sound.once(file);
    QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 1000);
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
    // Heard or refused: the device is taken, or the request ends.
    QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice() || !sound.isPlaying(), 3000);
    QCOMPARE(SdlSound::holdsAudioDevice(), plays);
}

void TestSdlSound::largeFileStartsAtOnceAndPlays_data()
{
    QTest::addColumn<QByteArray>("wave");
    QTest::newRow("16-bit PCM") << largeWave();
    // Decoded four times its size, with no byte rate to say how much of it to read.
    QTest::newRow("IMA ADPCM with no byte rate") << path("adpcm.wav");
}

void TestSdlSound::largeFileStartsAtOnceAndPlays()
{
    QFETCH(QByteArray, wave);
    const QString out = dir.filePath(QStringLiteral("large.raw"));
    auto driver = envFor("SDL_AUDIODRIVER", "disk");
    auto file = envFor("SDL_DISKAUDIOFILE", QFile::encodeName(out));
    const qint64 before = residentBytes();
    {
        SdlSound sound;
        QElapsedTimer clock;
        clock.start();
        sound.loop(wave);
        const qint64 returnedMs = clock.elapsed();
        qInfo("loop() of a 200 MB file returned in %lld ms", returnedMs);
        QCOMPARE_LT(returnedMs, 100);
        QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 5000);
        qInfo("the device opened after %lld ms", clock.elapsed());
        // Decoded sound is held up to its cap, and read and decoded a piece at a time.
        const qint64 grown = peakResidentBytes() - before;
        qInfo("resident memory peaked %lld MB higher", grown / (1024 * 1024));
#if !defined(__SANITIZE_ADDRESS__) // AddressSanitizer keeps freed memory in quarantine
        QCOMPARE_LT(grown, SdlSound::heldAudioBytes + 12 * 1024 * 1024);
#endif
        // Three device periods and more.
        QTest::qWait(400);
        QVERIFY(sound.isPlaying());
    }
    // 0.3 s and more reached the device, all of it sounding (the file starts with 10 s).
    QCOMPARE_GE(soundingFrames(out), 44100 * 3 / 10);
}

void TestSdlSound::laterRequestOvertakesADecode_data()
{
    QTest::addColumn<QByteArray>("later");
    QTest::addColumn<bool>("plays");
    QTest::newRow("stop") << QByteArray("stop") << false;
    QTest::newRow("once") << QByteArray("once") << true;
    QTest::newRow("unplayable once") << QByteArray("bad") << false;
}

void TestSdlSound::laterRequestOvertakesADecode()
{
    QFETCH(QByteArray, later);
    QFETCH(bool, plays);
    SdlSound sound;
    sound.loop(largeWave());
    // Well inside reading and decoding the 190 s it keeps of the file.
    QTest::qWait(20);
    QVERIFY(!SdlSound::holdsAudioDevice());
    if (later == "stop")
        sound.stop();
    else
        sound.once(later == "once" ? shortWave() : path("text.wav"));
    if (plays) {
        QTRY_VERIFY_WITH_TIMEOUT(SdlSound::holdsAudioDevice(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!SdlSound::holdsAudioDevice(), 3000);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 3000);
    // The overtaken loop never starts, however long its decode took.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1500) {
        QVERIFY(!SdlSound::holdsAudioDevice());
        QTest::qWait(5);
    }
    QVERIFY(!sound.isPlaying());
}

void TestSdlSound::unheardAlarmToldOnce_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("driver");
    QTest::addColumn<QString>("cause");
    // Names no other test uses: each cause is written to stderr once per process.
    QTest::newRow("not a WAVE file")
        << path("notes.wav") << QByteArray("dummy") << QStringLiteral("不是可播放的 WAVE 文件");
    QTest::newRow("missing file") << path("gone.wav") << QByteArray("dummy")
                                  << QStringLiteral("文件无法读取");
    QTest::newRow("AIFF") << path("sound.aiff") << QByteArray("dummy")
                          << QStringLiteral("不是可播放的声音文件");
    QTest::newRow("undecodable Ogg")
        << path("broken.ogg") << QByteArray("dummy") << QStringLiteral("无法解码");
    QTest::newRow("sample rate 0")
        << path("rate0.wav") << QByteArray("dummy") << QStringLiteral("采样率 0 Hz 超出范围");
    QTest::newRow("no audio device")
        << path("short.wav") << QByteArray("nonexistent") << QStringLiteral("打不开音频设备");
}

void TestSdlSound::unheardAlarmToldOnce()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, driver);
    QFETCH(QString, cause);
    writeFile(dir.filePath(QStringLiteral("notes.wav")), QByteArrayLiteral("RIFF....AVI LIST"));
    auto useDriver = envFor("SDL_AUDIODRIVER", driver);
    const QString name = Gbk::toUnicode(file);
    LogCapture capture;
    QStringList reasons;
    {
        SdlSound sound;
        connect(&sound, &SdlSound::unplayable, this, [&](const QString &r) { reasons += r; });
        // Two ringings, a chime and a preview: the two alarms are told, each once.
        for (const char *kind : {"loop", "loop", "once", "startIfIdle"}) {
            QVERIFY2(request(sound, kind, file), kind);
            QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 3000);
        }
        // A ringing stopped before its file was looked at is not told.
        sound.loop(file);
        sound.stop();
        QTest::qWait(300);
    }
    const QStringList lines = capture.lines();
    QCOMPARE(reasons.size(), 2);
    for (const QString &reason : reasons) {
        QVERIFY2(reason.contains(cause), qPrintable(reason));
        QVERIFY2(reason.contains(name), qPrintable(reason));
    }
    // One line, however often the file was asked for.
    QCOMPARE(lines.filter(cause).size(), 1);
    QVERIFY2(lines.filter(cause).first().startsWith(QStringLiteral("zelka: ")),
             qPrintable(lines.join(u'\n')));
    QVERIFY2(lines.filter(cause).first().contains(name), qPrintable(lines.join(u'\n')));
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
        QTRY_VERIFY_WITH_TIMEOUT(!sound.isPlaying(), 3000);
        QVERIFY2(!SdlSound::holdsAudioDevice(), kind);
    }
    sound.stop();
    QVERIFY(!SdlSound::holdsAudioDevice());
}

QTEST_GUILESS_MAIN(TestSdlSound)
#include "tst_sdlsound.moc"
