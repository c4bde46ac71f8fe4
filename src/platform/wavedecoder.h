#pragma once

#include "wavefile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <SDL_audio.h>

#include <functional>
#include <memory>
#include <optional>

struct MixerApi;

// A WAVE file read and converted for the device, on the sound thread: its failures come back
// as sentences for the user, never as exceptions.
namespace WaveDecoder {

// The device's own format: decoding converts to it, so the mixer only copies.
constexpr int deviceRate = 44100;
constexpr int deviceChannels = 2;
constexpr SDL_AudioFormat deviceFormat = AUDIO_S16SYS;
constexpr qint64 deviceFrame = 4;

// Why a sound is not heard: a sentence for the user, and what makes it worth saying again.
struct Failure {
    QString reason;
    // Said on stderr once per process for each key.
    QString key;
};

// "Cannot play “file”: why", the file named as the user would see it.
QString cannotPlay(const QByteArray &path, const QString &why);

struct Source {
    std::unique_ptr<QFile> file;
    WaveFile wave;
    std::optional<Failure> failure;
    // Ogg Vorbis, FLAC, MP3 or Opus by its first bytes: decoded by the mixer, not by decode().
    bool compressed = false;
};

// The file opened and its chunks walked (or its kind told by its first bytes); none of its
// sound is read yet.
Source open(const QByteArray &path);

struct Decoded {
    QByteArray pcm;
    std::optional<Failure> failure;
    bool abandoned = false;
};

// The file's sound converted to the device's format, at most heldAudioBytes of it. SDL gets
// one piece of the file at a time as a WAVE of its own (the fmt chunk and whole blocks), so
// beside the result only a piece and its decoding are ever held; the conversion runs on
// across pieces, so they join without a seam.
// Stops between pieces once stale() is true.
Decoded decode(const MixerApi &mix, const QByteArray &path, const Source &source,
               const std::function<bool()> &stale);

// A compressed file's sound in the device's format, at most heldAudioBytes of it. The mixer
// decodes a whole file at once, so of a file longer than that only the share its duration
// says is needed (and a tenth more) is handed to it; the device must be open.
// Abandons the file's reading once stale() is true.
Decoded decodeCompressed(const MixerApi &mix, const QByteArray &path, QFile &file,
                         const std::function<bool()> &stale);

} // namespace WaveDecoder
