#pragma once

#include "sound.h"

#include <QObject>
#include <QTimer>

struct Mix_Chunk;

// The program's one sound channel over SDL2_mixer. The audio device is opened when a
// sound starts and closed when it ends or is stopped, so a silent clock holds no device
// and no connection to the sound server. Lives on the GUI thread; one per process.
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

    // True while a sound is being played (a once-sound stops counting at its end).
    bool isPlaying() const;
    // True while SDL's audio subsystem is up, i.e. a device is held.
    static bool holdsAudioDevice();

private:
    enum class Kind { Alarm, Chime };
    void play(const QByteArray &path, Kind kind);
    void onChannelFinished();
    void closeAudio();
    static void channelFinished(int channel);

    Mix_Chunk *chunk = nullptr;
    bool audioOpen = false;
    QTimer tail;
};
