#pragma once

#include "sound.h"

#include <QObject>
#include <QString>

#include <memory>

// The program's one sound channel over SDL2_mixer. Files are read, decoded and played on a
// thread of its own, so no request waits for the disk, the codec or the sound server; the
// newest request always wins, and a decode it overtakes never plays. The audio device is
// opened when a sound starts and closed when it ends or is stopped, so a silent clock holds
// no device and no connection to the sound server. At most heldAudioBytes of decoded sound
// are kept: of a longer file, only its first part (a little over three minutes) plays, and
// only as much of the file as that takes is read (a WAVE file a piece at a time; an Ogg
// Vorbis, FLAC, MP3 or Opus file as far as its duration says, decoded by the mixer at once).
// Lives on the GUI thread; one per process.
class SdlSound : public QObject, public Sound
{
    Q_OBJECT

public:
    explicit SdlSound(QObject *parent = nullptr);
    ~SdlSound() override;

    void loop(const QByteArray &path) override;
    void once(const QByteArray &path) override;
    bool startIfIdle(const QByteArray &path) override;
    void stop() override;
    void setLoopVolume(int volume) override;

    // True from a request until its sound has ended, failed or been stopped.
    bool isPlaying() const override;
    // True while SDL's audio subsystem is up, i.e. a device is held.
    static bool holdsAudioDevice();

    // 44.1 kHz stereo 16-bit: 32 MiB is 190 seconds.
    static constexpr qsizetype heldAudioBytes = 32 * 1024 * 1024;

Q_SIGNALS:
    // Once per alarm, when its looping sound cannot be heard (no mixer library, no audio
    // device, a file that cannot be read or decoded), with the reason as a sentence for the
    // user. Not emitted for a request that was since replaced.
    void unplayable(const QString &reason);

private:
    class Player;
    enum class Kind { Alarm, Chime };
    void play(const QByteArray &path, Kind kind);
    void ended(quint64 request);
    void unheard(quint64 request, const QString &reason);

    std::unique_ptr<Player> player;
    // The newest request; reports about older ones are ignored.
    quint64 current = 0;
    bool busy = false;
    int loopVolume = fullVolume;
};
