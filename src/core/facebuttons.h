#pragma once

#include "facehost.h"

#include <cstdint>

// The buttons along the bottom of the face: which one lies under the pointer, lighting it,
// and what a press does. Both skins' hover states are kept up to date at every move.
namespace FaceButtons {

inline constexpr int none = -1;
// Normal skin.
inline constexpr int alarmButton = 0, optionsButton = 1, logoButton = 2, quitButton = 3;
// Ringing skin.
inline constexpr int stopButton = 0, ringingQuitButton = 1;

struct Hit {
    int normal = none;
    int ringing = none;
    friend bool operator==(const Hit &, const Hit &) = default;
};

// Face pixel -> the button under it on each skin; hit ranges reach one column past the image.
Hit hitTest(int x, int y);

enum class Action { OpenAlarms, OpenOptions, OpenLogo, Quit, StopRinging, Snooze, BeginDrag };
// What a left press does, decided by the hover state the last move left and the skin.
Action pressAction(bool ringing, int hoverNormal, int hoverRinging);

// Draws button k of a skin plain or lit into that skin's back buffer, and onto the window.
void drawButton(FaceHost &host, bool ringingSkin, int k, bool lit, bool toWindow);

enum class Pointer { Keep, Hand, Arrow };

class Hover
{
public:
    explicit Hover(FaceHost &host) : host(host) {}

    // Puts out the old and lights the new button on each skin whose index changed; only
    // the showing skin reaches the window and the pointer.
    Pointer move(int x, int y, bool ringing);

    int32_t hoverNormal = none;
    int32_t hoverRinging = none;
    // The button the keyboard keeps lit on each skin: the pointer leaving it leaves it lit.
    int32_t keptNormal = none;
    int32_t keptRinging = none;

private:
    FaceHost &host;
};

} // namespace FaceButtons
