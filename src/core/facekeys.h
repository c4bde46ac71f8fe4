#pragma once

#include "facebuttons.h"

#include <QtCore/qnamespace.h>

#include <optional>

// The keyboard's way to the face's buttons once the face has the keyboard: Left and Right
// (Tab and Shift+Tab too) move a light along the showing skin's buttons, Return, Enter or
// Space presses the lit one, and S snoozes while it rings. The light is the lit picture the
// pointer shows; each skin keeps its own focused button, as each keeps its own hover.
class FaceKeys
{
public:
    FaceKeys(FaceHost &host, FaceButtons::Hover &hover) : host(host), hover(hover) {}

    struct Answer {
        bool taken = false; // the face's key: nobody else sees it
        bool moved = false; // another button has the focus
        std::optional<FaceButtons::Action> press;
    };
    Answer key(int key, Qt::KeyboardModifiers modifiers, bool ringing);

    // The face gained or lost the keyboard: the light comes and goes with it, on the
    // same buttons as before.
    void setActive(bool active, bool ringing);

    // The focused button of a skin; none while the face lacks the keyboard.
    int focused(bool ringingSkin) const;

private:
    int &slot(bool ringingSkin) { return ringingSkin ? ringingFocus : normalFocus; }
    void light(bool ringingSkin, bool on, bool ringing);
    void moveFocus(bool ringing, int k);

    FaceHost &host;
    FaceButtons::Hover &hover;
    int normalFocus = FaceButtons::none;
    int ringingFocus = FaceButtons::none;
    bool active = false;
};
