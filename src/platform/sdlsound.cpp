#include "sdlsound.h"

#include "gbk.h"

#include <QFile>
#include <QFileInfo>

#include <SDL.h>
#include <SDL_mixer.h>

#include <atomic>

namespace {

constexpr int channel = 0;

// The mixer reports the end when the last samples are mixed, not when they are heard:
// keep the device this long after that so the tail of the sound is not cut off.
constexpr int tailMs = 250;

std::atomic<SdlSound *> owner{nullptr};

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
    return audioOpen && Mix_Playing(channel) != 0;
}

bool SdlSound::holdsAudioDevice()
{
    return SDL_WasInit(SDL_INIT_AUDIO) != 0;
}

void SdlSound::play(const QByteArray &path, Kind kind)
{
    // One channel: every request ends the sound before it, even one that plays nothing.
    closeAudio();
    const QByteArray wave = readWave(path);
    if (wave.isEmpty())
        return;

    // The program watches SIGINT and SIGTERM itself.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_APP_NAME, "Zelka!");
    // SDL 2.26 hands the role to PipeWire only (its PulseAudio backend sets none).
    if (kind == Kind::Alarm) {
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Alarm");
        // WirePlumber's role-based setup ranks "Alert" highest; without it, plain playback.
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Alert");
    } else {
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Chime");
        // Asked for by the user, so not "Notification", the role do-not-disturb silences.
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Music");
    }

    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return;
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, MIX_DEFAULT_CHANNELS, 1024) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    audioOpen = true;
    Mix_AllocateChannels(1);
    Mix_ChannelFinished(&SdlSound::channelFinished);

    // Fully decoded up front, so a loop restarts without a gap.
    chunk = Mix_LoadWAV_RW(SDL_RWFromConstMem(wave.constData(), int(wave.size())), 1);
    if (!chunk || Mix_PlayChannel(channel, chunk, kind == Kind::Alarm ? -1 : 0) < 0)
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
    Mix_HaltChannel(-1);
    if (chunk) {
        Mix_FreeChunk(chunk);
        chunk = nullptr;
    }
    // Closing the device waits for the audio thread, so no callback runs past this.
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioOpen = false;
}
