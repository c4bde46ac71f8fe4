#pragma once

#include "sound.h"

#include <QList>
#include <QTest>

// A Sound that plays nothing: it records each request in order and keeps the state a
// real channel would have, so a test can check what was asked and when.
class RecordingSound : public Sound
{
public:
    enum class Kind { Loop, Once, StartIfIdle, Stop };
    struct Request {
        Kind kind;
        QByteArray path;
        friend bool operator==(const Request &, const Request &) = default;
        friend char *toString(const Request &r)
        {
            static const char *const names[] = {"Loop", "Once", "StartIfIdle", "Stop"};
            return QTest::toString(QByteArray(names[int(r.kind)]) + '(' + r.path + ')');
        }
    };

    void loop(const QByteArray &path) override
    {
        requests.append({Kind::Loop, path});
        state = State::Looping;
    }
    void once(const QByteArray &path) override
    {
        requests.append({Kind::Once, path});
        state = State::Once;
    }
    // Recorded only when idle: a refused request leaves no trace, as on a real channel.
    bool startIfIdle(const QByteArray &path) override
    {
        if (isPlaying())
            return false;
        requests.append({Kind::StartIfIdle, path});
        state = State::Once;
        return true;
    }
    void stop() override
    {
        requests.append({Kind::Stop, {}});
        state = State::Idle;
    }

    // Volumes are kept apart from the requests: most tests need only the order of sounds.
    void setLoopVolume(int volume) override { volumes.append(volume); }

    // Ends a once-sound as if it had played to its end; a loop never ends by itself.
    void finish()
    {
        if (state == State::Once)
            state = State::Idle;
    }
    bool isPlaying() const override { return state != State::Idle; }
    bool isLooping() const { return state == State::Looping; }

    QList<Request> requests;
    QList<int> volumes;

private:
    enum class State { Idle, Looping, Once };
    State state = State::Idle;
};
