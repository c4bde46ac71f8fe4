#pragma once

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// Where a WAVE file keeps its format and its sound, found from its chunk headers alone: the
// sound itself is left on the disk, for the player to read a piece at a time.
class WaveFile
{
public:
    enum class Fault {
        None,
        // Not RIFF/WAVE, or no fmt chunk of a usable size before a data chunk.
        NotWave,
        Channels,
        SampleRate,
        ByteRate,
        BlockAlign,
        SampleBits,
    };

    // Walks the chunks of a seekable device from its start, reading headers only.
    static WaveFile walk(QIODevice &device);

    Fault fault = Fault::NotWave;
    // The fmt chunk's bytes as stored, which a decoder needs whole (ADPCM keeps its
    // coefficients there).
    QByteArray format;
    // The encoding: for an extensible format, the one its subformat names.
    quint16 encoding = 0;
    quint16 channels = 0;
    quint32 sampleRate = 0;
    quint32 byteRate = 0;
    quint16 blockAlign = 0;
    quint16 sampleBits = 0;
    // The sound's first byte, and as many of its bytes as the file holds.
    qint64 dataAt = 0;
    qint64 dataSize = 0;

    static constexpr quint16 pcm = 0x0001;
    static constexpr quint16 imaAdpcm = 0x0011;
    static constexpr quint16 extensible = 0xFFFE;
    // Sound cards and editors stop at 384 kHz and 8 channels; more is a damaged header.
    static constexpr quint32 highestRate = 384000;
    static constexpr quint16 mostChannels = 8;
};
