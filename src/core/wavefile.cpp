#include "wavefile.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>

namespace {

// As many chunks as SDL itself would walk before giving up on a file.
constexpr int chunkLimit = 10000;

// The GUID every standard subformat shares after its first two bytes, the format tag.
constexpr char subformatBase[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";

quint16 le16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 le32(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

// Formats with one fixed-size frame per sample: a byte rate of 0 marks a damaged header.
bool fixedFrame(quint16 encoding)
{
    constexpr quint16 ieeeFloat = 0x0003, aLaw = 0x0006, muLaw = 0x0007;
    return encoding == WaveFile::pcm || encoding == ieeeFloat || encoding == aLaw ||
           encoding == muLaw;
}

WaveFile::Fault check(const WaveFile &wave)
{
    using Fault = WaveFile::Fault;
    if (wave.channels == 0 || wave.channels > WaveFile::mostChannels)
        return Fault::Channels;
    if (wave.sampleRate == 0 || wave.sampleRate > WaveFile::highestRate)
        return Fault::SampleRate;
    if (wave.blockAlign == 0)
        return Fault::BlockAlign;
    if (wave.sampleBits == 0 || wave.sampleBits > 64)
        return Fault::SampleBits;
    if (wave.byteRate == 0 && fixedFrame(wave.encoding))
        return Fault::ByteRate;
    return Fault::None;
}

} // namespace

WaveFile WaveFile::walk(QIODevice &device)
{
    WaveFile wave;
    if (!device.seek(0))
        return wave;
    const QByteArray riff = device.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return wave;
    const qint64 end = device.size();
    qint64 at = 12;
    for (int chunks = 0; chunks < chunkLimit && device.seek(at); ++chunks) {
        const QByteArray header = device.read(8);
        if (header.size() < 8)
            break;
        const quint32 size = le32(header, 4);
        if (header.startsWith("fmt ")) {
            if (size < 16 || size > 65536)
                break;
            wave.format = device.read(size);
            if (wave.format.size() != qsizetype(size))
                break;
        } else if (header.startsWith("data")) {
            if (wave.format.isEmpty())
                break;
            const QByteArray &format = wave.format;
            wave.encoding = le16(format, 0);
            wave.channels = le16(format, 2);
            wave.sampleRate = le32(format, 4);
            wave.byteRate = le32(format, 8);
            wave.blockAlign = le16(format, 12);
            wave.sampleBits = le16(format, 14);
            if (wave.encoding == extensible && format.size() >= 40 &&
                format.mid(26, 14) == QByteArray(subformatBase, 14))
                wave.encoding = le16(format, 24);
            wave.dataAt = at + 8;
            wave.dataSize = std::min<qint64>(size, std::max<qint64>(0, end - wave.dataAt));
            wave.fault = check(wave);
            return wave;
        }
        // Chunks of odd size are followed by a byte of padding.
        at += 8 + qint64(size) + size % 2;
    }
    return wave;
}
