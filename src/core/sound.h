#pragma once

#include <QByteArray>

// The sound requests the program makes. One channel per process: every new sound
// ends the one playing. Paths are GBK bytes, as the settings hold them. A missing or
// unplayable file plays nothing; no request reports an error.
class Sound
{
public:
    virtual ~Sound() = default;
    // Plays the file over and over until stopped (an alarm).
    virtual void loop(const QByteArray &path) = 0;
    // Plays the file once (the chime, a preview).
    virtual void once(const QByteArray &path) = 0;
    // Plays the file once only if nothing is playing; true when it was idle.
    virtual bool startIfIdle(const QByteArray &path) = 0;
    // Stops whatever is playing.
    virtual void stop() = 0;
    // True from a request until its sound has ended or been stopped; a loop never ends.
    virtual bool isPlaying() const = 0;
    // The alarm loop's volume, 0 (silent) to fullVolume, for the loop that plays and every
    // loop after it; once and startIfIdle always play at full volume.
    virtual void setLoopVolume(int volume) = 0;

    static constexpr int fullVolume = 128;
};
