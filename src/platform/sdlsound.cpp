// The player thread, the one that calls SDL, and the facade on the GUI thread; what the
// mixer library offers and how a file is decoded live in mixerlibrary and wavedecoder.
// ~480 lines: the thread's steps (open, decode, play, loss, stop) share one queue and lock.
#include "sdlsound.h"

#include "mixerlibrary.h"
#include "wavedecoder.h"
#include "zelkalog.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <thread>
#include <utility>

using namespace WaveDecoder;

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int channel = 0;

// The mixer reports the end when the last samples are mixed, not when they are heard:
// keep the device this long after that so the tail of the sound is not cut off.
constexpr auto tail = milliseconds(250);
// A lost device is told by the mixing thread, which SDL keeps calling after a loss; this is
// only the check for a driver that would not, rare enough to cost a ringing no wake-ups.
constexpr auto watch = milliseconds(10000);
// How often a lost device is tried again.
constexpr auto retry = milliseconds(1000);

// Frames the device asks for at a time: 93 ms, so a stop is silent within a tenth of a second
// and the mixing thread wakes 11 times a second while a sound plays. SDL rounds a period up
// to a power of two, so 4410 would be 8192.
constexpr int devicePeriod = 4096;

// The first device SDL_OpenAudioDevice hands out, which is the mixer's: it is the only one.
constexpr SDL_AudioDeviceID mixerDevice = 2;

// One line on stderr the first time a cause is met in this process.
void say(const Failure &failure)
{
    static std::mutex guard;
    static QSet<QString> said;
    const std::lock_guard lock(guard);
    if (said.contains(failure.key))
        return;
    said.insert(failure.key);
    qCWarning(zelkaLog).noquote() << failure.reason;
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
        // Named for whoever counts the process's wake-ups thread by thread.
        ::pthread_setname_np(thread.native_handle(), "zelka-sound");
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
    bool openDevice();
    void closeDevice();
    void checkDevice();
    void fail(const Failure &failure);
    void reportEnded();
    static void channelFinished(int);
    static void mixed(void *player, Uint8 *, int);

    SdlSound *const owner;
    static inline std::atomic<Player *> instance{nullptr};

    // Shared with the GUI thread and SDL's audio thread, under the mutex.
    std::mutex mutex;
    std::condition_variable wake;
    std::optional<Job> next;
    bool quit = false;
    bool channelEnded = false;
    bool volumeChanged = false;
    bool deviceLost = false;
    int loopVolume = fullVolume;
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
    // Written before each play, read on SDL's audio thread.
    std::atomic<bool> watchable{false};
    std::atomic<bool> lossTold{false};
    bool reported = false;
};

void SdlSound::Player::run()
{
    std::unique_lock lock(mutex);
    while (!quit) {
        const auto due = [this] {
            return quit || next || channelEnded || volumeChanged || deviceLost;
        };
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
        if (std::exchange(deviceLost, false)) {
            if (state == State::Looping) {
                lock.unlock();
                checkDevice();
                lock.lock();
            }
            continue;
        }
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
    const Source source = WaveDecoder::open(job.path);
    if (source.failure)
        return fail(*source.failure);
    const MixerLibrary::Load &load = MixerLibrary::load();
    if (!load.api)
        return fail({cannotPlay(job.path, load.error), QStringLiteral("library")});
    mix = load.api;
    const auto noDevice = [&] {
        pcm.clear();
        return fail(
            {cannotPlay(job.path, QCoreApplication::translate("SdlSound", "打不开音频设备（%1）")
                                      .arg(QString::fromUtf8(mix->GetError()))),
             QStringLiteral("device")});
    };
    // The mixer decodes compressed files only into an open device's format.
    if (source.compressed && !openDevice())
        return noDevice();
    Decoded decoded = source.compressed ? decodeCompressed(*mix, job.path, *source.file, stale)
                                        : decode(*mix, job.path, source, stale);
    if (decoded.abandoned || stale() || decoded.failure)
        closeDevice();
    if (decoded.abandoned || stale())
        return;
    if (decoded.failure)
        return fail(*decoded.failure);
    pcm = std::move(decoded.pcm);
    if (!openAndPlay())
        return noDevice();
    state = job.kind == Kind::Alarm ? State::Looping : State::Once;
    deadline = Clock::now() + watch;
}

bool SdlSound::Player::openAndPlay()
{
    if (!deviceOpen && !openDevice())
        return false;
    watchable = mix->GetAudioDeviceStatus(mixerDevice) == SDL_AUDIO_PLAYING;
    lossTold = false;
    mix->AllocateChannels(1);
    mix->ChannelFinished(&Player::channelFinished);
    mix->SetPostMix(&Player::mixed, this);
    {
        const std::lock_guard lock(mutex);
        // Set before the first sample: a gentle start never begins with a burst.
        mix->Volume(channel, playing.kind == Kind::Alarm ? loopVolume : fullVolume);
    }
    chunk = mix->QuickLoad_RAW(reinterpret_cast<Uint8 *>(pcm.data()), Uint32(pcm.size()));
    if (chunk &&
        mix->PlayChannelTimed(channel, chunk, playing.kind == Kind::Alarm ? -1 : 0, -1) >= 0)
        return true;
    closeDevice();
    return false;
}

bool SdlSound::Player::openDevice()
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
    if (mix->OpenAudioDevice(deviceRate, deviceFormat, deviceChannels, devicePeriod, nullptr, 0) != 0) {
        mix->QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    deviceOpen = true;
    return true;
}

void SdlSound::Player::closeDevice()
{
    if (deviceOpen) {
        mix->HaltChannel(-1);
        // The mixer keeps its post-mix hook across a close: the next open, perhaps another
        // player's, would call this one's before it sets its own.
        mix->SetPostMix(nullptr, nullptr);
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
        deviceLost = false;
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

// SDL's audio thread, after each period is mixed: it goes on mixing into nothing once the
// device is lost, which is told to the sound thread once.
void SdlSound::Player::mixed(void *data, Uint8 *, int)
{
    auto *player = static_cast<Player *>(data);
    if (!player->watchable || player->lossTold ||
        player->mix->GetAudioDeviceStatus(mixerDevice) != SDL_AUDIO_STOPPED)
        return;
    player->lossTold = true;
    {
        const std::lock_guard lock(player->mutex);
        player->deviceLost = true;
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
    const MixerApi *mix = MixerLibrary::loaded();
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
    if (request == current)
        Q_EMIT unplayable(reason);
}
