#include "sdlsound.h"

#include "gbk.h"
#include "wavefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <QStringList>
#include <QtEndian>

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int channel = 0;

// The device's own format: decoding converts to it, so the mixer only copies.
constexpr int deviceRate = 44100;
constexpr int deviceChannels = 2;
constexpr SDL_AudioFormat deviceFormat = AUDIO_S16SYS;
constexpr qint64 deviceFrame = 4;

// Of the file itself, never more than this is read (a 96 kHz float file's 190 seconds).
constexpr qint64 readCap = 160 * 1024 * 1024;
// Decoding goes in pieces this big, so an overtaken request is abandoned within one.
constexpr qint64 piece = 1024 * 1024;

// The mixer reports the end when the last samples are mixed, not when they are heard:
// keep the device this long after that so the tail of the sound is not cut off.
constexpr auto tail = milliseconds(250);
// How often a ringing checks that its device is still there, and retries a lost one.
constexpr auto watch = milliseconds(250);
constexpr auto retry = milliseconds(1000);

// The first device SDL_OpenAudioDevice hands out, which is the mixer's: it is the only one.
constexpr SDL_AudioDeviceID mixerDevice = 2;

constexpr char mixerLibrary[] = "libSDL2_mixer-2.0.so.0";

// SDL2_mixer and the dozens of codec and sound-server libraries behind it are loaded at
// the first sound, not at start-up: a silent clock maps none of them.
struct MixerApi {
    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_GetError) GetError = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_WasInit) WasInit = nullptr;
    decltype(&SDL_RWFromConstMem) RWFromConstMem = nullptr;
    decltype(&SDL_LoadWAV_RW) LoadWAV_RW = nullptr;
    decltype(&SDL_FreeWAV) FreeWAV = nullptr;
    decltype(&SDL_NewAudioStream) NewAudioStream = nullptr;
    decltype(&SDL_AudioStreamPut) AudioStreamPut = nullptr;
    decltype(&SDL_AudioStreamFlush) AudioStreamFlush = nullptr;
    decltype(&SDL_AudioStreamAvailable) AudioStreamAvailable = nullptr;
    decltype(&SDL_AudioStreamGet) AudioStreamGet = nullptr;
    decltype(&SDL_FreeAudioStream) FreeAudioStream = nullptr;
    decltype(&SDL_GetAudioDeviceStatus) GetAudioDeviceStatus = nullptr;
    decltype(&Mix_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&Mix_AllocateChannels) AllocateChannels = nullptr;
    decltype(&Mix_ChannelFinished) ChannelFinished = nullptr;
    decltype(&Mix_QuickLoad_RAW) QuickLoad_RAW = nullptr;
    decltype(&Mix_PlayChannelTimed) PlayChannelTimed = nullptr;
    decltype(&Mix_HaltChannel) HaltChannel = nullptr;
    decltype(&Mix_FreeChunk) FreeChunk = nullptr;
    decltype(&Mix_CloseAudio) CloseAudio = nullptr;
    decltype(&Mix_Volume) Volume = nullptr;
};

std::atomic<const MixerApi *> loadedMixer{nullptr};

struct MixerLoad {
    const MixerApi *api = nullptr;
    QString error;
};

// The loaded library, or why it cannot be had (then nothing ever plays). Sound thread.
const MixerLoad &mixer()
{
    static const MixerLoad load = [] {
        MixerLoad result;
        void *library = ::dlopen(mixerLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            result.error = QString::fromLocal8Bit(::dlerror());
            return result;
        }
        static MixerApi api;
        QStringList missing;
        const auto resolve = [&](auto &function, const char *name) {
            *reinterpret_cast<void **>(&function) = ::dlsym(library, name);
            if (!function)
                missing += QString::fromLatin1(name);
        };
        resolve(api.SetHint, "SDL_SetHint");
        resolve(api.GetError, "SDL_GetError");
        resolve(api.InitSubSystem, "SDL_InitSubSystem");
        resolve(api.QuitSubSystem, "SDL_QuitSubSystem");
        resolve(api.WasInit, "SDL_WasInit");
        resolve(api.RWFromConstMem, "SDL_RWFromConstMem");
        resolve(api.LoadWAV_RW, "SDL_LoadWAV_RW");
        resolve(api.FreeWAV, "SDL_FreeWAV");
        resolve(api.NewAudioStream, "SDL_NewAudioStream");
        resolve(api.AudioStreamPut, "SDL_AudioStreamPut");
        resolve(api.AudioStreamFlush, "SDL_AudioStreamFlush");
        resolve(api.AudioStreamAvailable, "SDL_AudioStreamAvailable");
        resolve(api.AudioStreamGet, "SDL_AudioStreamGet");
        resolve(api.FreeAudioStream, "SDL_FreeAudioStream");
        resolve(api.GetAudioDeviceStatus, "SDL_GetAudioDeviceStatus");
        resolve(api.OpenAudioDevice, "Mix_OpenAudioDevice");
        resolve(api.AllocateChannels, "Mix_AllocateChannels");
        resolve(api.ChannelFinished, "Mix_ChannelFinished");
        resolve(api.QuickLoad_RAW, "Mix_QuickLoad_RAW");
        resolve(api.PlayChannelTimed, "Mix_PlayChannelTimed");
        resolve(api.HaltChannel, "Mix_HaltChannel");
        resolve(api.FreeChunk, "Mix_FreeChunk");
        resolve(api.CloseAudio, "Mix_CloseAudio");
        resolve(api.Volume, "Mix_Volume");
        if (!missing.isEmpty()) {
            result.error = QCoreApplication::translate("SdlSound", "缺少 %1")
                               .arg(missing.join(QStringLiteral(", ")));
            return result;
        }
        result.api = &api;
        loadedMixer = &api;
        return result;
    }();
    return load;
}

// Why a sound is not heard: a sentence for the user, and what makes it worth saying again.
struct Failure {
    QString reason;
    // Said on stderr once per process for each key.
    QString key;
};

QString quoted(const QByteArray &gbkPath)
{
    return QStringLiteral("“") + Gbk::toUnicode(gbkPath) + QStringLiteral("”");
}

QString cannotPlay(const QByteArray &path, const QString &why)
{
    return QCoreApplication::translate("SdlSound", "无法播放%1：%2").arg(quoted(path), why);
}

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

// One line on stderr the first time a cause is met in this process.
void say(const Failure &failure)
{
    static std::mutex guard;
    static QSet<QString> said;
    const std::lock_guard lock(guard);
    if (said.contains(failure.key))
        return;
    said.insert(failure.key);
    std::fprintf(stderr, "Zelka!: %s\n", failure.reason.toLocal8Bit().constData());
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

struct Source {
    std::unique_ptr<QFile> file;
    WaveFile wave;
    std::optional<Failure> failure;
};

// The file opened and its chunks walked; none of its sound is read yet.
Source openWave(const QByteArray &path)
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
    // The mixer would also decode Ogg, MP3 and more; the program plays WAVE files only.
    WaveFile wave = WaveFile::walk(*file);
    if (wave.fault != WaveFile::Fault::None)
        return {{}, {}, notWave(path, headerFault(wave))};
    return {std::move(file), std::move(wave), {}};
}

void appendLe32(QByteArray &out, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

struct Decoded {
    QByteArray pcm;
    std::optional<Failure> failure;
    bool abandoned = false;
};

// The file's sound converted to the device's format, at most heldAudioBytes of it. SDL gets
// one piece of the file at a time as a WAVE of its own (the fmt chunk and whole blocks), so
// beside the result only a piece and its decoding are ever held; the conversion runs on
// across pieces, so they join without a seam.
template <typename Stale>
Decoded decode(const MixerApi &mix, const QByteArray &path, const Source &source,
               const Stale &stale)
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
        return {{}, notWave(path, QCoreApplication::translate("SdlSound", "没有声音数据"))};
    return {pcm, {}};
}

} // namespace

// Owns the sound thread, the only one that calls SDL. Requests come in through post(); only
// the newest counts, as each request ends whatever came before it.
class SdlSound::Player
{
public:
    struct Job {
        quint64 id = 0;
        QByteArray path;
        Kind kind = Kind::Chime;
        bool play = false;
    };

    explicit Player(SdlSound *owner) : owner(owner)
    {
        instance = this;
        thread = std::thread(&Player::run, this);
    }

    ~Player()
    {
        {
            const std::lock_guard lock(mutex);
            quit = true;
            newest = 0;
        }
        wake.notify_one();
        thread.join();
        instance = nullptr;
    }

    void post(Job job)
    {
        {
            const std::lock_guard lock(mutex);
            newest = job.id;
            next = std::move(job);
        }
        wake.notify_one();
    }

    void setLoopVolume(int volume)
    {
        {
            const std::lock_guard lock(mutex);
            loopVolume = volume;
            volumeChanged = true;
        }
        wake.notify_one();
    }

private:
    enum class State { Idle, Once, Tail, Looping, Lost };

    void run();
    void start(const Job &job);
    bool openAndPlay();
    void closeDevice();
    void checkDevice();
    void fail(const Failure &failure);
    void reportEnded();
    static void channelFinished(int);

    SdlSound *const owner;
    static inline std::atomic<Player *> instance{nullptr};

    // Shared with the GUI thread and SDL's audio thread, under the mutex.
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<Job> next;
    bool quit = false;
    bool channelEnded = false;
    bool volumeChanged = false;
    int loopVolume = MIX_MAX_VOLUME;
    // The newest request's id, read without the lock while decoding.
    std::atomic<quint64> newest{0};

    // The sound thread's own.
    std::thread thread;
    const MixerApi *mix = nullptr;
    State state = State::Idle;
    Clock::time_point deadline;
    Job playing;
    QByteArray pcm;
    Mix_Chunk *chunk = nullptr;
    bool deviceOpen = false;
    bool watchable = false;
    bool reported = false;
};

void SdlSound::Player::run()
{
    std::unique_lock lock(mutex);
    while (!quit) {
        const auto due = [this] { return quit || next || channelEnded || volumeChanged; };
        if (state == State::Idle || state == State::Once)
            wake.wait(lock, due);
        else if (!wake.wait_until(lock, deadline, due)) {
            lock.unlock();
            checkDevice();
            lock.lock();
            continue;
        }
        if (quit)
            break;
        if (volumeChanged) {
            volumeChanged = false;
            const int volume = loopVolume;
            lock.unlock();
            if (deviceOpen && playing.kind == Kind::Alarm)
                mix->Volume(channel, volume);
            lock.lock();
            continue;
        }
        if (next) {
            const Job job = *std::move(next);
            next.reset();
            lock.unlock();
            closeDevice();
            state = State::Idle;
            pcm.clear();
            if (job.play)
                start(job);
            lock.lock();
        } else if (channelEnded) {
            channelEnded = false;
            if (state == State::Once) {
                state = State::Tail;
                deadline = Clock::now() + tail;
                reportEnded();
            }
        }
    }
    lock.unlock();
    closeDevice();
}

void SdlSound::Player::start(const Job &job)
{
    playing = job;
    reported = false;
    const auto stale = [this, id = job.id] { return newest.load() != id; };
    const Source source = openWave(job.path);
    if (source.failure)
        return fail(*source.failure);
    const MixerLoad &load = mixer();
    if (!load.api)
        return fail(
            {cannotPlay(job.path, QCoreApplication::translate("SdlSound", "找不到声音库 %1（%2）")
                                      .arg(QLatin1String(mixerLibrary), load.error)),
             QStringLiteral("library")});
    mix = load.api;
    Decoded decoded = decode(*mix, job.path, source, stale);
    if (decoded.abandoned || stale())
        return;
    if (decoded.failure)
        return fail(*decoded.failure);
    pcm = std::move(decoded.pcm);
    if (!openAndPlay()) {
        pcm.clear();
        return fail(
            {cannotPlay(job.path, QCoreApplication::translate("SdlSound", "打不开音频设备（%1）")
                                      .arg(QString::fromUtf8(mix->GetError()))),
             QStringLiteral("device")});
    }
    state = job.kind == Kind::Alarm ? State::Looping : State::Once;
    deadline = Clock::now() + watch;
}

bool SdlSound::Player::openAndPlay()
{
    // The program watches SIGINT and SIGTERM itself.
    mix->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    mix->SetHint(SDL_HINT_APP_NAME, "Zelka!");
    // SDL 2.26 hands the role to PipeWire only (its PulseAudio backend sets none).
    if (playing.kind == Kind::Alarm) {
        mix->SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Alarm");
        // WirePlumber's role-based setup ranks "Alert" highest; without it, plain playback.
        mix->SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Alert");
    } else {
        mix->SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Chime");
        // Asked for by the user, so not "Notification", the role do-not-disturb silences.
        mix->SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Music");
    }
    if (mix->InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    // No changes allowed: SDL converts if the hardware differs, so the samples fit as made.
    if (mix->OpenAudioDevice(deviceRate, deviceFormat, deviceChannels, 1024, nullptr, 0) != 0) {
        mix->QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    deviceOpen = true;
    watchable = mix->GetAudioDeviceStatus(mixerDevice) == SDL_AUDIO_PLAYING;
    mix->AllocateChannels(1);
    mix->ChannelFinished(&Player::channelFinished);
    {
        const std::lock_guard lock(mutex);
        // Set before the first sample: a gentle start never begins with a burst.
        mix->Volume(channel, playing.kind == Kind::Alarm ? loopVolume : MIX_MAX_VOLUME);
    }
    chunk = mix->QuickLoad_RAW(reinterpret_cast<Uint8 *>(pcm.data()), Uint32(pcm.size()));
    if (chunk &&
        mix->PlayChannelTimed(channel, chunk, playing.kind == Kind::Alarm ? -1 : 0, -1) >= 0)
        return true;
    closeDevice();
    return false;
}

void SdlSound::Player::closeDevice()
{
    if (deviceOpen) {
        mix->HaltChannel(-1);
        // Closing the device waits for the audio thread, so no callback runs past this.
        mix->CloseAudio();
        if (chunk) {
            mix->FreeChunk(chunk);
            chunk = nullptr;
        }
        mix->QuitSubSystem(SDL_INIT_AUDIO);
        deviceOpen = false;
        const std::lock_guard lock(mutex);
        channelEnded = false;
    }
}

// Ringing only: a device that went away (a sound server restarted, a headset unplugged)
// is closed and the default one opened again, the loop starting over.
void SdlSound::Player::checkDevice()
{
    switch (state) {
    case State::Tail:
        closeDevice();
        state = State::Idle;
        // Nothing is held while silent.
        pcm.clear();
        return;
    case State::Looping:
        deadline = Clock::now() + watch;
        if (!watchable || mix->GetAudioDeviceStatus(mixerDevice) != SDL_AUDIO_STOPPED)
            return;
        closeDevice();
        state = State::Lost;
        break;
    case State::Lost:
        break;
    case State::Idle:
    case State::Once:
        return;
    }
    if (newest.load() != playing.id)
        return;
    if (openAndPlay()) {
        state = State::Looping;
        deadline = Clock::now() + watch;
        return;
    }
    deadline = Clock::now() + retry;
    if (!reported) {
        const Failure failure{
            cannotPlay(playing.path,
                       QCoreApplication::translate("SdlSound", "音频设备已断开，无法重新打开（%1）")
                           .arg(QString::fromUtf8(mix->GetError()))),
            QStringLiteral("lost")};
        say(failure);
        reported = true;
        QMetaObject::invokeMethod(
            owner,
            [owner = owner, id = playing.id, reason = failure.reason] {
                owner->unheard(id, reason);
            },
            Qt::QueuedConnection);
    }
}

void SdlSound::Player::fail(const Failure &failure)
{
    say(failure);
    const quint64 id = playing.id;
    if (playing.kind == Kind::Alarm)
        QMetaObject::invokeMethod(
            owner, [owner = owner, id, reason = failure.reason] { owner->unheard(id, reason); },
            Qt::QueuedConnection);
    reportEnded();
}

void SdlSound::Player::reportEnded()
{
    QMetaObject::invokeMethod(
        owner, [owner = owner, id = playing.id] { owner->ended(id); }, Qt::QueuedConnection);
}

// SDL's audio thread, with the device locked, or the sound thread inside a halt.
void SdlSound::Player::channelFinished(int)
{
    Player *player = instance.load();
    if (!player)
        return;
    {
        const std::lock_guard lock(player->mutex);
        player->channelEnded = true;
    }
    player->wake.notify_one();
}

SdlSound::SdlSound(QObject *parent) : QObject(parent) {}

SdlSound::~SdlSound() = default;

void SdlSound::loop(const QByteArray &path)
{
    play(path, Kind::Alarm);
}

void SdlSound::once(const QByteArray &path)
{
    play(path, Kind::Chime);
}

bool SdlSound::startIfIdle(const QByteArray &path)
{
    if (busy)
        return false;
    play(path, Kind::Chime);
    return true;
}

void SdlSound::stop()
{
    ++current;
    busy = false;
    if (player)
        player->post({current, {}, Kind::Chime, false});
}

void SdlSound::setLoopVolume(int volume)
{
    loopVolume = std::clamp(volume, 0, fullVolume);
    if (player)
        player->setLoopVolume(loopVolume);
}

bool SdlSound::isPlaying() const
{
    return busy;
}

bool SdlSound::holdsAudioDevice()
{
    const MixerApi *mix = loadedMixer.load();
    return mix && mix->WasInit(SDL_INIT_AUDIO) != 0;
}

void SdlSound::play(const QByteArray &path, Kind kind)
{
    // The sound thread and its libraries come with the first sound.
    if (!player) {
        player = std::make_unique<Player>(this);
        player->setLoopVolume(loopVolume);
    }
    ++current;
    busy = true;
    player->post({current, path, kind, true});
}

void SdlSound::ended(quint64 request)
{
    if (request == current)
        busy = false;
}

void SdlSound::unheard(quint64 request, const QString &reason)
{
    if (request == current && onUnplayable)
        onUnplayable(reason);
}
