#include "wavebytes.h"
#include "wavefile.h"

#include <QBuffer>
#include <QTest>
#include <QtEndian>

using namespace WaveBytes;
using Fault = WaveFile::Fault;

class TestWaveFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walk_data();
    void walk();
};

void TestWaveFile::walk_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<qint64>("dataAt");
    QTest::addColumn<qint64>("dataSize"); // -1: refused
    const QByteArray fmt = chunk("fmt ", pcm(2, 44100, 16));
    const QByteArray data = chunk("data", QByteArray(8, 's'));
    const auto plain = [&](const QByteArray &format) { return riff(chunk("fmt ", format) + data); };
    const QByteArray subformat = QByteArray::fromHex("0100000000001000800000aa00389b71");
    const auto extensible = [&](quint32 byteRate) {
        return format(0xFFFE, 2, 44100, byteRate, 4, 16) + le(22, 2) + le(16, 6) + subformat;
    };
    const auto row = [](const char *name, const QByteArray &bytes, Fault fault, qint64 at = 0,
                        qint64 size = -1) { QTest::newRow(name) << bytes << fault << at << size; };
    row("PCM", riff(fmt + data), Fault::None, 44, 8);
    row("fmt after a LIST chunk", riff(chunk("LIST", "0123456789") + fmt + data), Fault::None, 62,
        8);
    row("a chunk between fmt and data", riff(fmt + chunk("fact", le(2, 4)) + data), Fault::None, 56,
        8);
    row("odd-sized chunk padded", riff(chunk("LIST", "odd") + fmt + data), Fault::None, 56, 8);
    row("data larger than the file", riff(fmt + chunk("data", "abcd", 1 << 30)), Fault::None, 44,
        4);
    row("extensible PCM", plain(extensible(176400)), Fault::None, 68, 8);
    row("IMA ADPCM with no byte rate", plain(imaStereo(22050)), Fault::None, 48, 8);
    row("eight channels at 384 kHz", plain(pcm(8, 384000, 8)), Fault::None, 44, 8);
    row("text", "not a sound at all, just text", Fault::NotWave);
    row("AVI", QByteArray("RIFF\0\0\0\0AVI LIST", 16), Fault::NotWave);
    row("data before fmt", riff(data + fmt), Fault::NotWave);
    row("no data", riff(fmt), Fault::NotWave);
    row("fmt too short", plain(pcm(2, 44100, 16).left(14)), Fault::NotWave);
    row("sample rate 0", plain(format(1, 2, 0, 0, 4, 16)), Fault::SampleRate);
    row("sample rate above 384 kHz", plain(pcm(1, 384001, 8)), Fault::SampleRate);
    row("no channels", plain(format(1, 0, 8000, 8000, 1, 8)), Fault::Channels);
    row("nine channels", plain(pcm(9, 8000, 8)), Fault::Channels);
    row("PCM with no byte rate", plain(format(1, 2, 44100, 0, 4, 16)), Fault::ByteRate);
    row("extensible PCM with no byte rate", plain(extensible(0)), Fault::ByteRate);
    row("block align 0", plain(format(1, 2, 44100, 176400, 0, 16)), Fault::BlockAlign);
    row("no sample bits", plain(format(1, 2, 44100, 176400, 4, 0)), Fault::SampleBits);
    row("65-bit samples", plain(format(3, 1, 8000, 8000 * 9, 9, 65)), Fault::SampleBits);
}

void TestWaveFile::walk()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, dataSize);
    QBuffer device(&bytes);
    QVERIFY(device.open(QIODevice::ReadOnly));
    const WaveFile wave = WaveFile::walk(device);
    QTEST(wave.fault, "fault");
    if (dataSize < 0)
        return;
    QTEST(wave.dataAt, "dataAt");
    QCOMPARE(wave.dataSize, dataSize);
    // The decoder gets the fmt chunk whole, as stored.
    const qsizetype at = bytes.indexOf("fmt ") + 8;
    QCOMPARE(wave.format, bytes.mid(at, qFromLittleEndian<quint32>(bytes.constData() + at - 4)));
}

QTEST_APPLESS_MAIN(TestWaveFile)
#include "tst_wavefile.moc"
