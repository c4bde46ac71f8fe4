#pragma once

#include <QByteArray>

// WAVE files built from their parts, as bytes.
namespace WaveBytes {

// The value's low bytes, least significant first.
inline QByteArray le(quint64 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

// A chunk, padded to an even length; its header claims `size` bytes when one is given.
inline QByteArray chunk(const char *id, const QByteArray &bytes, qint64 size = -1)
{
    return QByteArray(id, 4) + le(size < 0 ? bytes.size() : size, 4) + bytes +
           QByteArray(bytes.size() % 2, '\0');
}

// The fields every fmt chunk starts with.
inline QByteArray format(quint16 encoding, quint16 channels, quint32 rate, quint32 byteRate,
                         quint16 blockAlign, quint16 bits)
{
    return le(encoding, 2) + le(channels, 2) + le(rate, 4) + le(byteRate, 4) + le(blockAlign, 2) +
           le(bits, 2);
}

inline QByteArray pcm(quint16 channels, quint32 rate, quint16 bits)
{
    return format(1, channels, rate, rate * channels * bits / 8, channels * bits / 8, bits);
}

// IMA ADPCM in 1024-byte blocks of 1017 frames, with no byte rate, as some encoders write it.
inline QByteArray imaStereo(quint32 rate)
{
    return format(0x11, 2, rate, 0, 1024, 4) + le(2, 2) + le(1017, 2);
}

inline QByteArray riff(const QByteArray &chunks)
{
    return "RIFF" + le(4 + chunks.size(), 4) + "WAVE" + chunks;
}

} // namespace WaveBytes
