#include "logoanimation.h"

using namespace Logo;

namespace {

constexpr QSize logoSize = pictures[logoPicture].size;
constexpr QSize badgeSize = pictures[badgePicture].size;

// Every step's copy goes to backImage and to the window at the same rectangle.
Draw copy(Picture source, QRect from, QPoint to)
{
    return {Draw::BitBlt, source, from, QRect(to, from.size()), true};
}

} // namespace

LogoAnimation::Step LogoAnimation::OnCreate()
{
    Step step;
    // Only the back image: the window is not on the screen yet.
    step.draws.append(
        {Draw::FillSolidRect, noPicture, QRect(), QRect(QPoint(0, 0), imageSize), false});
    step.setTimer = slideTimer;
    step.periodMs = slideMs;
    return step;
}

LogoAnimation::Step LogoAnimation::OnTimer(int id)
{
    if (id == slideTimer)
        return slideLogo();
    if (id == openTimer)
        return openBadge();
    return {};
}

LogoAnimation::Step LogoAnimation::slideLogo()
{
    Step step;
    const int32_t h = logoRows;
    // The top h rows sit on the bottom edge, so the picture rises as h grows.
    step.draws.append(
        copy(logoPicture, QRect(0, 0, logoSize.width(), h), QPoint(0, imageSize.height() - h)));
    logoRows = h + logoRowsPerTick;
    if (logoRows > logoSize.height()) {
        step.killTimer = slideTimer;
        step.setTimer = openTimer;
        step.periodMs = openMs;
    }
    return step;
}

LogoAnimation::Step LogoAnimation::openBadge()
{
    Step step;
    const int32_t h = badgeRows;
    // The band of h rows about the middle line, each row copied to its final place.
    const int32_t t = (badgeSize.height() - h) / 2;
    step.draws.append(
        copy(badgePicture, QRect(0, t, badgeSize.width(), h), badgeAt + QPoint(0, t)));
    badgeRows = h + badgeRowsPerTick;
    if (badgeRows > badgeSize.height())
        step.killTimer = openTimer;
    return step;
}

bool LogoAnimation::clickEndsDialog() const
{
    return badgeRows > badgeSize.height();
}
