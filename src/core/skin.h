#pragma once

#include "language.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <ctime>

// The face's bitmaps and where every piece of them goes. Coordinates are face pixels
// (151 x 130), origin top left.
namespace Skin {

// The thirteen face bitmaps, in load order. The two faces are separate copies of one
// picture: they become the normal and the ringing back buffers.
enum Bitmap {
    faceNormal,
    colonSprite,
    runnerSprite,
    weekdayStrip,
    bigDigitStrip,
    smallDigitStrip,
    bellStrip,
    ringBanner,
    faceRinging,
    buttonStrip,
    buttonStripLit,
    stopButton,
    stopButtonLit,
    bitmapCount
};

struct BitmapInfo {
    int resourceId;
    const char *file; // inside the resources' art folder
    QSize size;
};

inline constexpr BitmapInfo bitmaps[bitmapCount] = {
    {101, "face.png", {151, 130}},      {102, "colon.png", {6, 19}},
    {103, "runner.png", {20, 19}},      {104, "weekdays.png", {100, 105}},
    {105, "bigdigits.png", {26, 290}},  {106, "smalldigits.png", {10, 120}},
    {107, "bell.png", {42, 138}},       {108, "banner.png", {106, 28}},
    {101, "face.png", {151, 130}},      {115, "buttons.png", {18, 64}},
    {116, "buttons_lit.png", {18, 64}}, {138, "stop.png", {62, 16}},
    {139, "stop_lit.png", {62, 16}},
};

// The file a bitmap is loaded from: an English interface reads its weekday names in
// English; every other picture is the same in both languages.
inline constexpr const char *bitmapFile(Bitmap bitmap, Language language)
{
    return bitmap == weekdayStrip && language == Language::English ? "weekdays_en.png"
                                                                   : bitmaps[bitmap].file;
}

// The two back buffers; the window shows one of them.
enum class Buffer { Normal, Ringing };

inline constexpr QSize faceSize{151, 130};

// Digit and name cells of the normal face.
inline constexpr QSize smallDigitSize{10, 12};
inline constexpr QSize bigDigitSize{26, 29};
inline constexpr QSize weekdaySize{100, 15};
inline constexpr QPoint dayTensAt{20, 15}, dayUnitsAt{30, 15};
inline constexpr QPoint monthTensAt{55, 15}, monthUnitsAt{65, 15};
inline constexpr QPoint centuryHighAt{89, 15}, centuryLowAt{99, 15};
inline constexpr QPoint yearTensAt{109, 15}, yearUnitsAt{119, 15};
inline constexpr QPoint weekdayAt{26, 30};
inline constexpr QPoint hourTensAt{16, 65}, hourUnitsAt{42, 65};
inline constexpr QPoint minuteTensAt{83, 65}, minuteUnitsAt{109, 65};

inline constexpr QPoint smallDigit(int d)
{
    return {0, 12 * d};
}
inline constexpr QPoint bigDigit(int d)
{
    return {0, 29 * d};
}
inline constexpr QPoint weekdayRow(int w)
{
    return {0, 15 * w};
}

// Colon and seconds runner.
inline constexpr QRect colonRect{72, 70, 6, 19};
inline constexpr QSize runnerSize{18, 19}; // the sprite's last two columns are never shown
inline constexpr int runnerY = 44;
inline constexpr int runnerFirstX = 21, runnerStep = 18, runnerLastX = 128;
inline constexpr QRect runnerStrip{21, 44, 108, 19};

// Buttons: four along the bottom of the normal face, stop and quit on the ringing face.
inline constexpr QSize buttonSize{18, 16};
inline constexpr QSize stopSize{62, 16};
inline constexpr int buttonY = 106;
inline constexpr QPoint buttonAt(int k)
{
    return {37 + 22 * k, buttonY};
}
inline constexpr QPoint buttonCell(int k)
{
    return {0, 16 * k};
}
inline constexpr int quitButton = 3;
inline constexpr QPoint stopAt{37, buttonY};
inline constexpr QPoint ringingQuitAt{103, buttonY};
// From the first button's left to the quit button's hit range, the same on both skins.
inline constexpr QRect buttonRow{buttonAt(0), QPoint(buttonAt(quitButton).x() + buttonSize.width(),
                                                     buttonY + buttonSize.height() - 1)};

// The ringing animation.
inline constexpr QSize bellSize{42, 46};
inline constexpr QPoint bellAt{54, 46};
inline constexpr int bellFrames = 3;
inline constexpr QPoint bellFrame(int f)
{
    return {0, 46 * f};
}
inline constexpr QSize bannerSize{106, 28};
inline constexpr int bannerY = 15;
inline constexpr int bannerFirstX = 21, bannerStep = 3, bannerLastX = 27;

} // namespace Skin

// The digit cells the normal face shows for one minute.
struct TimeCells {
    int weekday = 0;
    int hourTens = 0, hourUnits = 0;
    int minuteTens = 0, minuteUnits = 0;
    int dayTens = 0, dayUnits = 0;
    int monthTens = 0, monthUnits = 0;
    int year = 0;
    int twoDigitYear = 0;
    int yearTens = 0, yearUnits = 0;

    // The first two digits of the year follow from it.
    int centuryHigh() const { return year < 2000 ? 1 : 2; }
    int centuryLow() const { return year < 2000 ? 9 : 0; }

    friend bool operator==(const TimeCells &, const TimeCells &) = default;
};

// Splits broken-down local time (as localtime gives it) into the face's cells.
TimeCells splitTime(const std::tm &local);
