#pragma once

#include "alarmlist.h"
#include "clock.h"
#include "facehost.h"
#include "missedalarms.h"
#include "settings.h"
#include "skin.h"
#include "sound.h"

#include <QByteArray>
#include <QList>
#include <QObject>

#include <cstdint>

// The face's timer ids and periods.
namespace FaceTimer {
inline constexpr int colon = 1, tick = 2, ringing = 3, limit = 4;
inline constexpr int colonMs = 500, tickMs = 1000, ringingMs = 100, limitMs = 1000;
} // namespace FaceTimer

// The face's clockwork: colon blink, seconds runner, the minute change, the alarm match,
// the chime, the ringing animation and its time limit. Plain steps over the face state;
// the window carries out the copies and timers it asks for, and whoever cares about a
// ringing or a message hears of it by a signal once the step is done deciding.
class Clockwork : public QObject
{
    Q_OBJECT

public:
    Clockwork(const Settings &settings, AlarmList &alarms, FaceHost &host, Sound &sound,
              const Clock &clock);

    // Draws the current minute into the normal face and the buttons into both faces,
    // then starts the colon and tick timers, and takes up the snooze the file kept.
    // Nothing reaches the window yet.
    void create();
    void onTimer(int id);
    // Ends the ringing; the alarm's message is asked for unless showMessage is false.
    void stopRinging(bool showMessage = true);
    // Ends the ringing without the message and rings the same alarm again after the
    // snooze time; nothing unless it rings.
    void snooze();

    // A snoozed alarm waiting to ring again, by its minute of day (the entry's identity
    // while the list changes around it) and the absolute time it is due.
    struct Snoozed {
        int64_t alarmMinute = 0;
        int64_t dueAt = 0; // seconds since the epoch
        int64_t lengthSeconds = 0;
        int64_t asleepAt = 0; // the clock's asleepMs() when it was snoozed
    };
    const QList<Snoozed> &snoozed() const { return pending; }

    bool isRinging() const { return ringing; }
    // The list index of the alarm that rings or rang last; -1 before the first.
    int ringingIndex() const { return ringingAt; }
    // The minute on the face, in seconds since the epoch, and its digit cells.
    int64_t shownMinute() const { return shown; }
    const TimeCells &shownCells() const { return cells; }

Q_SIGNALS:
    // Alarm `index` has started ringing, lateMinutes after its minute (0: on time).
    void ringingStarted(int index, int lateMinutes);
    // The ringing has ended, by whatever route.
    void ringingEnded();
    // Alarms whose minute passed while no tick could match it (a suspend, a stall, another
    // alarm ringing) and that will not ring.
    void alarmsMissed(const QList<MissedAlarms::Occurrence> &missed);
    // A stopped alarm's message, GBK bytes, for the popup, and the alarm's hour * 60 + minute.
    void messageToShow(const QByteArray &message, int minuteOfDay);
    // The clockwork changed the alarm list itself (a once-alarm switched off): save it.
    void alarmsChanged();
    // The face shows another minute: once for each, however the steps nest.
    void minuteChanged();
    // A snooze was taken or has come due: the settings file keeps the pending one.
    void snoozesChanged();

private:
    void blinkColon();
    void tick();
    void redrawChangedCells(const TimeCells &c);
    void takeShownMinute(int64_t now, int64_t minute);
    void matchAlarms(int64_t from, int64_t seen);
    void startRinging(int index, int lateMinutes = 0);
    // A once-alarm whose occurrence has come, rung or missed, switches itself off.
    void markDone(int index);
    // A skip or a pause whose day has come is over: the file no longer needs to keep it.
    void endHolds();
    void ringSnoozed(int64_t now);
    void raiseVolume();
    void animateRinging();
    void countLimit();
    void drawCell(QPoint sourceAt, Skin::Bitmap strip, QPoint dest, QSize size, bool toWindow);
    void drawYear(const TimeCells &c, bool toWindow);

    const Settings &settings;
    AlarmList &alarmList;
    FaceHost &host;
    Sound &sound;
    const Clock &clock;
    QList<Snoozed> pending;
    int64_t ringingMinute = -1; // minute of day of the alarm that rings

    // Face state; the animation counters carry over from one ringing to the next.
    int32_t colonPhase = 0;
    int32_t runnerX = Skin::runnerFirstX;
    int32_t bellFrame = 0;
    int32_t bannerX = Skin::bannerFirstX;
    bool ringing = false;
    int32_t ringingAt = -1;
    int32_t ringSeconds = 0;
    int32_t gentleTenths = 0;  // tenths of a second into a gentle start
    int64_t shown = 0;         // seconds since the epoch, whole local minute
    int64_t shownAt = 0;       // the clock's now() when the shown minute was taken
    int64_t asleepAtShown = 0; // the clock's asleepMs() then
    int64_t monotonicAtShown = 0;
    long offsetAtShown = 0; // the zone's UTC offset at shownAt, in seconds
    // The latest local minute (MissedAlarms::localMinute) whose alarms were matched.
    int64_t matchedLocal = 0;
    TimeCells cells;
};

// The loop's volume a tenth of a second count into a gentle start of that many seconds.
int gentleVolume(int tenths, int seconds);

// Local broken-down time of t, and t cut back to its whole local minute.
std::tm localFields(int64_t t);
int64_t wholeMinute(int64_t t);
