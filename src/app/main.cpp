#include "commandclient.h"
#include "zelkaapp.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char *argv[])
{
    // A command for the clock, from a terminal or a script: no window, no display needed.
    if (argc > 1)
        return runCommand(argc, argv);
    // Placing, dragging and keeping the clock on top need X11: on a Wayland desktop, go
    // through XWayland wherever it runs, and natively where it cannot be reached.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM",
                qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ? "xcb" : "xcb;wayland");
    // Shared-memory image transfer costs a round trip to the X server per repaint, which
    // a 151 x 130 face never earns back: plain transfers wake the clock a third as often.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    // Whole-number scale factors only: the face is pixel art, shown doubled, never blurred.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    ZelkaApp app(argc, argv);
    if (!app.InitInstance())
        return 0;
    const int status = app.exec();
    // Everything is saved by now. A session bus or sound server that stopped answering
    // may hold a thread that teardown waits for: it may not hold the exit too.
    std::thread([status] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        std::fflush(nullptr);
        std::_Exit(status);
    }).detach();
    return status;
}
