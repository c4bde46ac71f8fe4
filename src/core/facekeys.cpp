#include "facekeys.h"

using namespace FaceButtons;

namespace {

int buttonCount(bool ringingSkin)
{
    return ringingSkin ? 2 : 4;
}

} // namespace

int FaceKeys::focused(bool ringingSkin) const
{
    if (!active)
        return none;
    return ringingSkin ? ringingFocus : normalFocus;
}

void FaceKeys::light(bool ringingSkin, bool on, bool ringing)
{
    const int k = slot(ringingSkin);
    int32_t &kept = ringingSkin ? hover.keptRinging : hover.keptNormal;
    kept = on ? k : none;
    // A button under the pointer is lit already and stays lit.
    const int hovered = ringingSkin ? hover.hoverRinging : hover.hoverNormal;
    if (k != none && k != hovered)
        drawButton(host, ringingSkin, k, on, ringingSkin == ringing);
}

void FaceKeys::setActive(bool nowActive, bool ringing)
{
    if (nowActive == active)
        return;
    active = nowActive;
    light(false, active, ringing);
    light(true, active, ringing);
}

void FaceKeys::moveFocus(bool ringing, int k)
{
    light(ringing, false, ringing);
    slot(ringing) = k;
    light(ringing, true, ringing);
}

FaceKeys::Answer FaceKeys::key(int key, Qt::KeyboardModifiers modifiers, bool ringing)
{
    const Qt::KeyboardModifiers held = modifiers & ~Qt::KeypadModifier;
    // Shift+Tab arrives as Backtab, with Shift still held.
    const bool tab = key == Qt::Key_Tab || key == Qt::Key_Backtab;
    if ((held & ~Qt::ShiftModifier) != Qt::NoModifier || (held != Qt::NoModifier && !tab))
        return {};
    if (key == Qt::Key_Tab && held != Qt::NoModifier)
        key = Qt::Key_Backtab;
    setActive(true, ringing);
    const int count = buttonCount(ringing);
    const int at = slot(ringing);
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Tab:
        moveFocus(ringing, at == none ? 0 : (at + 1) % count);
        return {true, true, {}};
    case Qt::Key_Left:
    case Qt::Key_Backtab:
        moveFocus(ringing, at == none ? count - 1 : (at + count - 1) % count);
        return {true, true, {}};
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (at == none)
            return {};
        return {true, false, pressAction(ringing, at, at)};
    case Qt::Key_S:
        if (!ringing)
            return {};
        return {true, false, Action::Snooze};
    default:
        return {};
    }
}
