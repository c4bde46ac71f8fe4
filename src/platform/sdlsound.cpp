#include "sdlsound.h"

#include "gbk.h"

#include <QFile>
#include <QFileInfo>

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>
#include <dlfcn.h>

namespace {

constexpr int channel = 0;

// The mixer reports the end when the last samples are mixed, not when they are heard:
// keep the device this long after that so the tail of the sound is not cut off.
constexpr int tailMs = 250;

std::atomic<SdlSound *> owner{nullptr};

// SDL2_mixer and the dozens of codec and sound-server libraries behind it are loaded at
// the first sound, not at start-up: a silent clock maps none of them.
struct MixerApi {
    decltype(&SDL_SetHint) SetHint = nullptr;
    decltype(&SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&SDL_WasInit) WasInit = nullptr;
    decltype(&SDL_RWFromConstMem) RWFromConstMem = nullptr;
    decltype(&Mix_OpenAudio) OpenAudio = nullptr;
    decltype(&Mix_AllocateChannels) AllocateChannels = nullptr;
    decltype(&Mix_ChannelFinished) ChannelFinished = nullptr;
    decltype(&Mix_LoadWAV_RW) LoadWAV_RW = nullptr;
    decltype(&Mix_PlayChannelTimed) PlayChannelTimed = nullptr;
    decltype(&Mix_HaltChannel) HaltChannel = nullptr;
    decltype(&Mix_FreeChunk) FreeChunk = nullptr;
    decltype(&Mix_CloseAudio) CloseAudio = nullptr;
    decltype(&Mix_Playing) Playing = nullptr;
};

std::atomic<bool> mixerLoaded{false};

// The loaded library, or null when it cannot be had (then nothing ever plays).
const MixerApi *mixer()
{
    static const MixerApi *const api = []() -> const MixerApi * {
        void *library = ::dlopen("libSDL2_mixer-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return nullptr;
        static MixerApi loaded;
        bool complete = true;
        const auto resolve = [&](auto &function, const char *name) {
            *reinterpret_cast<void **>(&function) = ::dlsym(library, name);
            complete = complete && function != nullptr;
        };
        resolve(loaded.SetHint, "SDL_SetHint");
        resolve(loaded.InitSubSystem, "SDL_InitSubSystem");
        resolve(loaded.QuitSubSystem, "SDL_QuitSubSystem");
        resolve(loaded.WasInit, "SDL_WasInit");
        resolve(loaded.RWFromConstMem, "SDL_RWFromConstMem");
        resolve(loaded.OpenAudio, "Mix_OpenAudio");
        resolve(loaded.AllocateChannels, "Mix_AllocateChannels");
        resolve(loaded.ChannelFinished, "Mix_ChannelFinished");
        resolve(loaded.LoadWAV_RW, "Mix_LoadWAV_RW");
        resolve(loaded.PlayChannelTimed, "Mix_PlayChannelTimed");
        resolve(loaded.HaltChannel, "Mix_HaltChannel");
        resolve(loaded.FreeChunk, "Mix_FreeChunk");
        resolve(loaded.CloseAudio, "Mix_CloseAudio");
        resolve(loaded.Playing, "Mix_Playing");
        if (!complete)
            return nullptr;
        mixerLoaded = true;
        return &loaded;
    }();
    return api;
}


// The whole file, or nothing if it is not a regular, readable RIFF WAVE file.
QByteArray readWave(const QByteArray &gbkPath)
{
    // QFile turns the name into the file-system's bytes with QFile::encodeName.
    const QString name = Gbk::toUnicode(gbkPath);
    // Only regular files: opening a FIFO or a device could block the GUI thread.
    if (!QFileInfo(name).isFile())
        return {};
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    // The mixer would also decode Ogg, MP3 and more; the program plays WAVE files only.
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return {};
    return bytes;
}

} // namespace

SdlSound::SdlSound(QObject *parent) : QObject(parent)
{
    Q_ASSERT(owner.load() == nullptr);
    owner = this;
    tail.setSingleShot(true);
    tail.setInterval(tailMs);
    connect(&tail, &QTimer::timeout, this, [this] {
        if (!isPlaying())
            closeAudio();
    });
}

SdlSound::~SdlSound()
{
    closeAudio();
    owner = nullptr;
}

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
    if (isPlaying())
        return false;
    play(path, Kind::Chime);
    return true;
}

void SdlSound::stop()
{
    closeAudio();
}

bool SdlSound::isPlaying() const
{
    return audioOpen && mixer()->Playing(channel) != 0;
}

bool SdlSound::holdsAudioDevice()
{
    return mixerLoaded && mixer()->WasInit(SDL_INIT_AUDIO) != 0;
}

void SdlSound::play(const QByteArray &path, Kind kind)
{
    // One channel: every request ends the sound before it, even one that plays nothing.
    closeAudio();
    const QByteArray wave = readWave(path);
    const MixerApi *mix = wave.isEmpty() ? nullptr : mixer();
    if (!mix)
        return;

    // The program watches SIGINT and SIGTERM itself.
    mix->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    mix->SetHint(SDL_HINT_APP_NAME, "Zelka!");
    // SDL 2.26 hands the role to PipeWire only (its PulseAudio backend sets none).
    if (kind == Kind::Alarm) {
        mix->SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Alarm");
        // WirePlumber's role-based setup ranks "Alert" highest; without it, plain playback.
        mix->SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Alert");
    } else {
        mix->SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Chime");
        // Asked for by the user, so not "Notification", the role do-not-disturb silences.
        mix->SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Music");
    }

    if (mix->InitSubSystem(SDL_INIT_AUDIO) != 0)
        return;
    if (mix->OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, MIX_DEFAULT_CHANNELS, 1024) != 0) {
        mix->QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    audioOpen = true;
    mix->AllocateChannels(1);
    mix->ChannelFinished(&SdlSound::channelFinished);

    // Fully decoded up front, so a loop restarts without a gap.
    chunk = mix->LoadWAV_RW(mix->RWFromConstMem(wave.constData(), int(wave.size())), 1);
    if (!chunk || mix->PlayChannelTimed(channel, chunk, kind == Kind::Alarm ? -1 : 0, -1) < 0)
        closeAudio();
}

// SDL's audio thread, with the device locked (or the GUI thread, inside a halt): only post.
void SdlSound::channelFinished(int)
{
    if (SdlSound *sound = owner.load())
        QMetaObject::invokeMethod(
            sound, [sound] { sound->onChannelFinished(); }, Qt::QueuedConnection);
}

void SdlSound::onChannelFinished()
{
    // A late report for a sound that has since been stopped or replaced changes nothing.
    if (!isPlaying() && audioOpen)
        tail.start();
}

void SdlSound::closeAudio()
{
    tail.stop();
    if (!audioOpen)
        return;
    const MixerApi *mix = mixer();
    mix->HaltChannel(-1);
    if (chunk) {
        mix->FreeChunk(chunk);
        chunk = nullptr;
    }
    // Closing the device waits for the audio thread, so no callback runs past this.
    mix->CloseAudio();
    mix->QuitSubSystem(SDL_INIT_AUDIO);
    audioOpen = false;
}
