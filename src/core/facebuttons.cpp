#include "facebuttons.h"

#include "skin.h"

using namespace Skin;

namespace FaceButtons {

namespace {

constexpr int bandTop = 106, bandBottom = 121;

struct Span {
    int first, last, index;
};
constexpr Span normalSpans[] = {
    {37, 55, alarmButton}, {59, 77, optionsButton}, {81, 99, logoButton}, {103, 121, quitButton}};
constexpr Span ringingSpans[] = {{37, 99, stopButton}, {103, 121, ringingQuitButton}};

template <size_t N> int find(const Span (&spans)[N], int x)
{
    for (const Span &s : spans)
        if (x >= s.first && x <= s.last)
            return s.index;
    return none;
}

} // namespace

Hit hitTest(int x, int y)
{
    if (y < bandTop || y > bandBottom)
        return {};
    return {find(normalSpans, x), find(ringingSpans, x)};
}

Action pressAction(bool ringing, int hoverNormal, int hoverRinging)
{
    if (ringing) {
        switch (hoverRinging) {
        case stopButton:
            return Action::StopRinging;
        case ringingQuitButton:
            return Action::Quit;
        default:
            return Action::BeginDrag;
        }
    }
    switch (hoverNormal) {
    case alarmButton:
        return Action::OpenAlarms;
    case optionsButton:
        return Action::OpenOptions;
    case logoButton:
        return Action::OpenLogo;
    case quitButton:
        return Action::Quit;
    default:
        return Action::BeginDrag;
    }
}

void drawButton(FaceHost &host, bool ringingSkin, int k, bool lit, bool toWindow)
{
    if (!ringingSkin)
        host.copy(Buffer::Normal, lit ? buttonStripLit : buttonStrip, buttonCell(k),
                  QRect(buttonAt(k), buttonSize), toWindow);
    else if (k == stopButton)
        host.copy(Buffer::Ringing, lit ? stopButtonLit : Skin::stopButton, {0, 0},
                  QRect(stopAt, stopSize), toWindow);
    else
        host.copy(Buffer::Ringing, lit ? buttonStripLit : buttonStrip, buttonCell(Skin::quitButton),
                  QRect(ringingQuitAt, buttonSize), toWindow);
}

Pointer Hover::move(int x, int y, bool ringing)
{
    const Hit hit = hitTest(x, y);
    Pointer pointer = Pointer::Keep;
    if (hit.normal != hoverNormal) {
        if (hoverNormal != none && hoverNormal != keptNormal)
            drawButton(host, false, hoverNormal, false, !ringing);
        hoverNormal = hit.normal;
        if (hit.normal != none && hit.normal != keptNormal)
            drawButton(host, false, hit.normal, true, !ringing);
        if (!ringing)
            pointer = hit.normal != none ? Pointer::Hand : Pointer::Arrow;
    }
    if (hit.ringing != hoverRinging) {
        if (hoverRinging != none && hoverRinging != keptRinging)
            drawButton(host, true, hoverRinging, false, ringing);
        hoverRinging = hit.ringing;
        if (hit.ringing != none && hit.ringing != keptRinging)
            drawButton(host, true, hit.ringing, true, ringing);
        if (ringing)
            pointer = hit.ringing != none ? Pointer::Hand : Pointer::Arrow;
    }
    return pointer;
}

} // namespace FaceButtons
