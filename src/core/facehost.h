#pragma once

#include "missedalarms.h"
#include "skin.h"

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>

#include <cstdint>

// What the face's clockwork asks of the window it runs in.
class FaceHost
{
public:
    virtual ~FaceHost() = default;
    // Copies a rectangle of a skin bitmap into a back buffer and, when toWindow, onto the
    // window at the same place.
    virtual void copy(Skin::Buffer target, Skin::Bitmap source, QPoint sourceAt, QRect dest,
                      bool toWindow) = 0;
    virtual void fillBlack(Skin::Buffer target, QRect dest, bool toWindow) = 0;
    // Copies a whole back buffer onto the window.
    virtual void showWhole(Skin::Buffer buffer) = 0;
    // Timers by id: starting a running id restarts it.
    virtual void SetTimer(int id, int milliseconds) = 0;
    virtual void KillTimer(int id) = 0;
    // Asks the desktop for attention, toggling on every call.
    virtual void FlashWindow() = 0;
    // Shows an alarm's message in the modal popup; returns when the user closed it.
    virtual void showAlarmMessage(const QByteArray &message) = 0;
    // Repaints the whole face from the back buffer that shows.
    virtual void InvalidateRect() = 0;
    // Alarm `index` has started ringing, lateMinutes after its minute (0: on time).
    virtual void ringingStarted(int index, int lateMinutes) = 0;
    // The ringing has ended, by whatever route.
    virtual void ringingEnded() = 0;
    // Alarms whose minute passed while no tick could match it (a suspend, a stall, another
    // alarm ringing) and that will not ring.
    virtual void alarmsMissed(const QList<MissedAlarms::Occurrence> &missed) = 0;
    // The clockwork changed the alarm list itself (a once-alarm switched off): save it.
    virtual void alarmsChanged() = 0;
};
