#pragma once

#include "alarmlist.h"
#include "clock.h"
#include "clockwork.h"
#include "facebuttons.h"
#include "facecontroller.h"
#include "facehost.h"
#include "facekeys.h"
#include "madeupmoves.h"
#include "onscreen.h"
#include "settings.h"
#include "settingsstore.h"
#include "skin.h"
#include "sound.h"
#include "timertable.h"

#include <QCursor>
#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class QHelpEvent;
namespace X11Window {
class CloseRequests;
class PointerEvents;
} // namespace X11Window

// The clock's one window: frameless, 157 x 136, a 1-pixel border and a 2-pixel sunken
// edge around the 151 x 130 face, which is drawn only by copying rectangles out of the
// skin bitmaps into two back buffers. What it opens and routes lives in its FaceController.
class FaceWindow : public QWidget, private FaceHost
{
    Q_OBJECT

public:
    // The window borrows the store's settings and alarms and saves through it: at once on
    // the quit path, soon after every change the settings file carries. Its weekday names
    // are drawn in the interface's language.
    FaceWindow(SettingsStore &store, FaceServices services, Language language = Language::Chinese);
    ~FaceWindow() override;

    static constexpr int windowWidth = 157;
    static constexpr int windowHeight = 136;
    static constexpr QPoint faceOrigin{3, 3};

    const Settings &settings() const { return stored; }
    const Clockwork &clockwork() const { return works; }
    // The next alarm and how long until it, as the bell's tooltip and description say.
    QString bellDescription() const { return routes.nextAlarmText(); }
    const FaceController &controller() const { return routes; }
    const FaceKeys &keyFocus() const { return keys; }

    // The user's quit: releases the skin, saves, closes the window and ends the
    // application. Alt+F4, the window manager's close and the quit buttons all come here.
    void OnClose() { routes.quit(QuitBy::User); }
    // The same quit, asked by a signal: nothing is told of the alarms it leaves unrung.
    void closeForSystem() { routes.quit(QuitBy::System); }
    // Saves as OnClose does but keeps running: the desktop session is ending.
    void saveNow() { routes.saveNow(); }
    // A command from a later start.
    Commands::Answer runCommand(const CommandLine::Request &r) { return routes.runCommand(r); }
    bool isClosed() const { return routes.isClosed(); }
    // Shows the face above other windows and gives it the keyboard: a second start asked.
    void bringToFront();
    // What the stop button does, from wherever it is asked; nothing unless it rings.
    void pressStop();
    // Ends the ringing for the snooze time; nothing unless it rings.
    void pressSnooze();
    // What a press on a button does, from the mouse or from a screen reader.
    void press(FaceButtons::Action action);
    // The window system's own reports of a pointer motion and of a button press over the
    // face, in their order and with their times, seen before Qt delivers them: from the first
    // motion reported on, a move in a press's millisecond is real only when a reported motion
    // came in that millisecond before the press.
    void pointerMotionReported(quint64 time);
    void pointerPressReported(quint64 time);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void copy(Skin::Buffer target, Skin::Bitmap source, QPoint sourceAt, QRect dest,
              bool toWindow) override;
    void fillBlack(Skin::Buffer target, QRect dest, bool toWindow) override;
    void showWhole(Skin::Buffer buffer) override;
    void SetTimer(int id, int milliseconds) override;
    void KillTimer(int id) override;
    void FlashWindow() override;
    friend class TestFaceWindow; // reads the back buffers

    void onRingingEnded();
    void showButtonTip(const QHelpEvent &help);
    // Tells readers and hides a button's tip when the other skin comes to show.
    void skinMayHaveSwitched();

    QImage &buffer(Skin::Buffer which);
    void loadSkin(Language language);
    void recordPosition();
    static bool positionKnown();
    void releaseSkin();

    Settings &stored;
    std::array<QImage, Skin::bitmapCount> skin;
    Clockwork works;
    FaceController routes;
    FaceButtons::Hover buttons{*this};
    FaceKeys keys{*this, buttons};
    QCursor handCursor;
    // Where the press that began a drag fell, in face pixels; no drag before such a press.
    std::optional<QPoint> dragAnchor;
    QPoint placeAtPress; // the window's place when the drag began
    // The hover state the last move replaced: a press after a made-up move acts on it.
    MadeUpMoves moves;
    int32_t normalBeforeMove = FaceButtons::none;
    int32_t ringingBeforeMove = FaceButtons::none;
    std::unique_ptr<X11Window::CloseRequests> closeRequests;
    std::unique_ptr<X11Window::PointerEvents> pointerEvents;
    TimerTable<FaceTimer::limit> timers;
    const int speedUp;
    OnScreen onScreen{*this, Skin::buttonRow.translated(faceOrigin)};
    bool flashOn = false;
    bool skinRinging = false; // the skin the last switch left showing
};
