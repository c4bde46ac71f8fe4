#include "wavedecoder.h"

#include "gbk.h"
#include "mixerlibrary.h"
#include "sdlsound.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace WaveDecoder;

namespace {

// Of the file itself, never more than this is read (a 96 kHz float file's 190 seconds).
constexpr qint64 readCap = 160 * 1024 * 1024;
// Decoding goes in pieces this big, so an overtaken request is abandoned within one.
constexpr qint64 piece = 1024 * 1024;

QString quoted(const QByteArray &gbkPath)
{
    return QStringLiteral("“") + Gbk::toUnicode(gbkPath) + QStringLiteral("”");
}

} // namespace

QString WaveDecoder::cannotPlay(const QByteArray &path, const QString &why)
{
    return QCoreApplication::translate("SdlSound", "无法播放%1：%2").arg(quoted(path), why);
}

namespace {

Failure fileFailure(const QByteArray &path, const QString &why)
{
    const QString reason = cannotPlay(path, why);
    return {reason, reason};
}

Failure notWave(const QByteArray &path, const QString &detail = {})
{
    return fileFailure(
        path,
        detail.isEmpty()
            ? QCoreApplication::translate("SdlSound", "不是可播放的 WAVE 文件")
            : QCoreApplication::translate("SdlSound", "不是可播放的 WAVE 文件（%1）").arg(detail));
}

Failure notSound(const QByteArray &path)
{
    return fileFailure(path, QCoreApplication::translate(
                                 "SdlSound", "不是可播放的声音文件（WAVE、Ogg、FLAC、MP3 或 Opus）"));
}

// Ogg (Vorbis or Opus inside), FLAC, or MP3 with a tag or starting on a frame.
bool isCompressed(const QByteArray &magic)
{
    if (magic.size() < 4)
        return false;
    const auto byte = [&](int i) { return quint8(magic[i]); };
    return magic.startsWith("OggS") || magic.startsWith("fLaC") || magic.startsWith("ID3") ||
           (byte(0) == 0xFF && (byte(1) & 0xE0) == 0xE0);
}

// The file as the mixer reads it: cut off at limit, and at its end once stale() is true.
struct LimitedFile {
    QFile *file;
    qint64 limit;
    const std::function<bool()> *stale;
};

LimitedFile &limited(SDL_RWops *ops)
{
    return *static_cast<LimitedFile *>(ops->hidden.unknown.data1);
}

Sint64 SDLCALL limitedSize(SDL_RWops *ops)
{
    return limited(ops).limit;
}

Sint64 SDLCALL limitedSeek(SDL_RWops *ops, Sint64 offset, int whence)
{
    LimitedFile &f = limited(ops);
    const qint64 base = whence == RW_SEEK_SET ? 0 : whence == RW_SEEK_CUR ? f.file->pos() : f.limit;
    const qint64 at = std::clamp<qint64>(base + offset, 0, f.limit);
    return f.file->seek(at) ? at : -1;
}

size_t SDLCALL limitedRead(SDL_RWops *ops, void *into, size_t size, size_t count)
{
    LimitedFile &f = limited(ops);
    if (size == 0 || (*f.stale)())
        return 0;
    const qint64 room = std::max<qint64>(0, f.limit - f.file->pos());
    const qint64 read = f.file->read(static_cast<char *>(into),
                                     std::min<qint64>(room / qint64(size), qint64(count)) *
                                         qint64(size));
    return read <= 0 ? 0 : size_t(read) / size;
}

size_t SDLCALL noWrite(SDL_RWops *, const void *, size_t, size_t)
{
    return 0;
}

int SDLCALL keepOpen(SDL_RWops *)
{
    return 0;
}

// Why the walker refused a header, or nothing when the file is not a WAVE file at all.
QString headerFault(const WaveFile &wave)
{
    switch (wave.fault) {
    case WaveFile::Fault::Channels:
        return QCoreApplication::translate("SdlSound", "声道数 %1 超出范围").arg(wave.channels);
    case WaveFile::Fault::SampleRate:
        return QCoreApplication::translate("SdlSound", "采样率 %1 Hz 超出范围")
            .arg(wave.sampleRate);
    case WaveFile::Fault::ByteRate:
        return QCoreApplication::translate("SdlSound", "每秒字节数为 0");
    case WaveFile::Fault::BlockAlign:
        return QCoreApplication::translate("SdlSound", "块对齐为 0");
    case WaveFile::Fault::SampleBits:
        return QCoreApplication::translate("SdlSound", "采样位数 %1 超出范围").arg(wave.sampleBits);
    case WaveFile::Fault::None:
    case WaveFile::Fault::NotWave:
        break;
    }
    return {};
}

void appendLe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

} // namespace

WaveDecoder::Source WaveDecoder::open(const QByteArray &path)
{
    // Non-blocking, so a named pipe or a device in the file's place cannot hold the thread.
    const int fd = ::open(QFile::encodeName(Gbk::toUnicode(path)).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {{},
                {},
                fileFailure(path, QCoreApplication::translate("SdlSound", "文件无法读取（%1）")
                                      .arg(QString::fromLocal8Bit(std::strerror(errno))))};
    struct stat status {
    };
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return {{}, {}, fileFailure(path, QCoreApplication::translate("SdlSound", "不是普通文件"))};
    }
    auto file = std::make_unique<QFile>();
    file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    WaveFile wave = WaveFile::walk(*file);
    if (wave.fault == WaveFile::Fault::NotWave && file->seek(0)) {
        const QByteArray magic = file->read(4);
        if (isCompressed(magic) && file->seek(0))
            return {std::move(file), {}, {}, true};
        // AIFF and the rest the mixer also knows are refused: the picker never offers them.
        if (!magic.startsWith("RIFF"))
            return {{}, {}, notSound(path)};
    }
    if (wave.fault != WaveFile::Fault::None)
        return {{}, {}, notWave(path, headerFault(wave))};
    return {std::move(file), std::move(wave), {}};
}

WaveDecoder::Decoded WaveDecoder::decode(const MixerApi &mix, const QByteArray &path,
                                         const Source &source, const std::function<bool()> &stale)
{
    const WaveFile &wave = source.wave;
    const qint64 block = wave.blockAlign;
    qint64 usable = std::min(wave.dataSize, readCap);
    usable -= usable % block;
    const qint64 filePiece = std::max(block, piece / block * block);
    const qsizetype padding = wave.format.size() % 2;
    const qsizetype head = 28 + wave.format.size() + padding;
    QByteArray chunk;
    chunk.append("RIFF");
    appendLe32(chunk, 0);
    chunk.append("WAVEfmt ");
    appendLe32(chunk, quint32(wave.format.size()));
    chunk.append(wave.format);
    if (padding)
        chunk.append('\0');
    chunk.append("data");
    appendLe32(chunk, 0);
    if (!source.file->seek(wave.dataAt))
        return {{}, fileFailure(path, QCoreApplication::translate("SdlSound", "文件读取失败"))};

    SDL_AudioSpec pieceFormat{};
    SDL_AudioStream *stream = nullptr;
    const auto freeStream = qScopeGuard([&] {
        if (stream)
            mix.FreeAudioStream(stream);
    });
    qint64 frame = 0;
    qint64 frames = 0;
    constexpr qint64 cap = SdlSound::heldAudioBytes;
    QByteArray pcm;
    // Pages are taken as the sound fills them; the rest is handed back at the end.
    pcm.reserve(cap);
    const auto drain = [&](qint64 wanted) {
        qint64 available = std::min<qint64>(mix.AudioStreamAvailable(stream), wanted - pcm.size());
        available -= available % deviceFrame;
        if (available <= 0)
            return;
        const qsizetype old = pcm.size();
        pcm.resize(old + available);
        pcm.resize(old + std::max(0, mix.AudioStreamGet(stream, pcm.data() + old, int(available))));
    };
    // Converted in steps of about a piece of the device's sound, so a slow rate's many-fold
    // growth stays bounded too.
    const auto put = [&](const Uint8 *samples, qint64 length) {
        const qint64 step =
            frame * std::max<qint64>(1, piece / deviceFrame * pieceFormat.freq / deviceRate);
        for (qint64 at = 0; at < length && pcm.size() < cap; at += step) {
            if (mix.AudioStreamPut(stream, samples + at, int(std::min(step, length - at))) != 0)
                return false;
            drain(cap);
        }
        return true;
    };
    for (qint64 at = 0; at < usable && pcm.size() < cap;) {
        if (stale())
            return {{}, {}, true};
        const qint64 take = std::min(filePiece, usable - at);
        chunk.resize(head + take);
        qToLittleEndian(quint32(head - 8 + take), chunk.data() + 4);
        qToLittleEndian(quint32(take), chunk.data() + head - 4);
        if (source.file->read(chunk.data() + head, take) != take)
            return {{}, fileFailure(path, QCoreApplication::translate("SdlSound", "文件读取失败"))};
        at += take;
        Uint8 *samples = nullptr;
        Uint32 length = 0;
        if (!mix.LoadWAV_RW(mix.RWFromConstMem(chunk.constData(), int(chunk.size())), 1,
                            &pieceFormat, &samples, &length))
            return {{}, notWave(path, QString::fromUtf8(mix.GetError()))};
        const auto freeSamples = qScopeGuard([&] { mix.FreeWAV(samples); });
        if (!stream) {
            frame = qint64(SDL_AUDIO_BITSIZE(pieceFormat.format)) / 8 * pieceFormat.channels;
            if (frame <= 0)
                return {{}, notWave(path)};
            stream = mix.NewAudioStream(pieceFormat.format, pieceFormat.channels, pieceFormat.freq,
                                        deviceFormat, deviceChannels, deviceRate);
            if (!stream)
                return {{}, notWave(path, QString::fromUtf8(mix.GetError()))};
        }
        frames += length / frame;
        if (!put(samples, length))
            return {{}, notWave(path, QString::fromUtf8(mix.GetError()))};
    }
    if (!stream)
        return {{}, notWave(path, QCoreApplication::translate("SdlSound", "没有声音数据"))};
    // The resampler holds back its last samples, and SDL 2.26's flush does not always push
    // them: silence after the end pushes them out, and is cut off by the length wanted.
    const qint64 wanted =
        std::min<qint64>(cap / deviceFrame,
                         (frames * deviceRate + pieceFormat.freq / 2) / pieceFormat.freq) *
        deviceFrame;
    const QByteArray silence(qsizetype(8192 * frame),
                             pieceFormat.format == AUDIO_U8 ? '\x80' : '\0');
    mix.AudioStreamPut(stream, silence.constData(), int(silence.size()));
    mix.AudioStreamFlush(stream);
    drain(wanted);
    pcm.truncate(qsizetype(std::min<qint64>(pcm.size(), wanted)));
    pcm.squeeze();
    if (pcm.isEmpty())
        return {{}, fileFailure(path, QCoreApplication::translate("SdlSound", "没有声音数据"))};
    return {pcm, {}};
}

WaveDecoder::Decoded WaveDecoder::decodeCompressed(const MixerApi &mix, const QByteArray &path,
                                                   QFile &file, const std::function<bool()> &stale)
{
    constexpr qint64 cap = SdlSound::heldAudioBytes;
    LimitedFile limit{&file, std::min(file.size(), readCap), &stale};
    SDL_RWops *ops = mix.AllocRW();
    if (!ops)
        return {{}, fileFailure(path, QString::fromUtf8(mix.GetError()))};
    const auto freeOps = qScopeGuard([&] { mix.FreeRW(ops); });
    ops->size = limitedSize;
    ops->seek = limitedSeek;
    ops->read = limitedRead;
    ops->write = noWrite;
    ops->close = keepOpen;
    ops->hidden.unknown.data1 = &limit;
    const auto undecodable = [&] {
        return fileFailure(path, QCoreApplication::translate("SdlSound", "无法解码（%1）")
                                     .arg(QString::fromUtf8(mix.GetError())));
    };
    // Its duration, to hand the mixer no more of a long file than the sound kept needs.
    if (Mix_Music *music = mix.LoadMUS_RW(ops, 0)) {
        const double seconds = mix.MusicDuration(music);
        mix.FreeMusic(music);
        const double kept = double(cap) / (deviceRate * deviceFrame);
        if (seconds > kept)
            limit.limit = std::min(limit.limit, qint64(double(limit.limit) * kept * 1.1 / seconds) +
                                                    64 * 1024);
        else if (seconds <= 0)
            // No duration: the mixer decodes all it is given at once, so give it no more than
            // a compressed eighth of what is kept, not a whole long file's worth of memory.
            limit.limit = std::min(limit.limit, cap / 8);
    } else if (stale()) {
        return {{}, {}, true};
    } else {
        return {{}, undecodable()};
    }
    if (stale())
        return {{}, {}, true};
    if (limitedSeek(ops, 0, RW_SEEK_SET) != 0)
        return {{}, fileFailure(path, QCoreApplication::translate("SdlSound", "文件读取失败"))};
    Mix_Chunk *chunk = mix.LoadChunk(ops, 0);
    if (stale()) {
        if (chunk)
            mix.FreeChunk(chunk);
        return {{}, {}, true};
    }
    if (!chunk)
        return {{}, undecodable()};
    const qint64 length = std::min<qint64>(chunk->alen, cap) / deviceFrame * deviceFrame;
    QByteArray pcm(reinterpret_cast<const char *>(chunk->abuf), qsizetype(length));
    mix.FreeChunk(chunk);
    if (pcm.isEmpty())
        return {{}, fileFailure(path, QCoreApplication::translate("SdlSound", "没有声音数据"))};
    return {pcm, {}};
}
