#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>

// The logo dialog's pictures, timers and layout. Coordinates are pixels of the 256 x 192
// back image, origin top left; the client area shows the image at the same coordinates.
namespace Logo {

enum Picture { logoPicture, badgePicture, pictureCount, noPicture = -1 };

struct PictureInfo {
    int resourceId;
    const char *file; // inside the resources' art folder
    QSize size;
};

inline constexpr PictureInfo pictures[pictureCount] = {
    {117, "logo.png", {218, 192}},
    {123, "badge.png", {40, 88}},
};

inline constexpr QSize imageSize{256, 192};
// The badge covers the logo's rightmost 13 columns, which the logo leaves black.
inline constexpr QPoint badgeAt{205, 95};

// Timer 1 slides the logo up; timer 2 opens the badge out from its middle line.
inline constexpr int slideTimer = 1, openTimer = 2;
inline constexpr int slideMs = 100, openMs = 50;
inline constexpr int logoRowsPerTick = 24, badgeRowsPerTick = 2;

// One opaque rectangle operation on backImage: a black fill, or a copy of the rectangle
// `from` of a picture onto the rectangle `to` of the same size.
struct Draw {
    enum Kind { FillSolidRect, BitBlt };
    Kind kind = FillSolidRect;
    Picture source = noPicture;
    QRect from;
    QRect to; // also drawn onto the client area, at the same place, when toWindow
    bool toWindow = false;

    friend bool operator==(const Draw &, const Draw &) = default;
};

} // namespace Logo

// The logo dialog's animation as plain steps over its two counters: the dialog carries out
// the draws and timer changes a step returns, in order, and nothing else.
class LogoAnimation
{
public:
    struct Step {
        QList<Logo::Draw> draws;
        int killTimer = 0; // 0: none
        int setTimer = 0;  // 0: none
        int periodMs = 0;  // of setTimer
    };

    // Blacks out the whole back image and starts the slide.
    Step OnCreate();
    // Timer 1 runs one step of the slide, timer 2 one step of the badge; others do nothing.
    Step OnTimer(int id);
    // A left click ends the dialog only once the whole badge has been shown.
    bool clickEndsDialog() const;

    // Rows of each picture shown so far; the first tick of each stage shows none.
    int32_t logoRows = 0;
    int32_t badgeRows = 0;

private:
    Step slideLogo();
    Step openBadge();
};
