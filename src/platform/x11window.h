#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>

#include <functional>

class QWindow;

// What the face asks of an X server beyond what Qt offers. Every call does nothing where the
// clock does not run on X.
namespace X11Window {

bool available();

// Sets or clears the window's request for attention with the window manager, at once.
void setDemandsAttention(QWindow *window, bool on);

// Turns a blanked screen on and restarts the screensaver's count: a screensaver reset and,
// where the server has the DPMS extension, the monitor forced on.
void wakeScreen();

// Keeps a window out of the taskbar and the pager. Must come before the window is mapped,
// while the window's own state property is still its to set.
void setSkipTaskbar(QWindow *window);

// Sees every close request the window manager sends the window, including the ones Qt
// drops while a modal dialog blocks it.
class CloseRequests : public QAbstractNativeEventFilter
{
public:
    CloseRequests(QWindow *window, std::function<void()> onBlockedClose);
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    QWindow *window;
    std::function<void()> onBlockedClose;
};

// Sees every pointer motion and button press the X server reports over the window, in order
// and with the server's time, before Qt delivers them: the moves Qt makes up never pass here.
class PointerEvents : public QAbstractNativeEventFilter
{
public:
    using Report = std::function<void(quint64 time)>;
    PointerEvents(QWindow *window, Report onMotion, Report onPress);
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    bool isInputExtension(unsigned char opcode);

    QWindow *window;
    Report onMotion;
    Report onPress;
    unsigned int extensionQuery = 0; // asked at construction, read at the first extension event
    int inputOpcode = -1;            // -1 until the reply is read, 0 without the extension
};

} // namespace X11Window
