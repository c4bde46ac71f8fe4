#pragma once

#include "skin.h"

#include <QPoint>
#include <QRect>

// What the face's clockwork asks of the window it runs in: drawing and timers only; its
// events go out as the clockwork's signals.
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
};
