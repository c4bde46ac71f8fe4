#include "zelkaapp.h"

int main(int argc, char *argv[])
{
    // Placing, dragging and keeping the clock on top need X11: on a Wayland desktop, go
    // through XWayland wherever it runs.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Whole-number scale factors only: the face is pixel art, shown doubled, never blurred.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    ZelkaApp app(argc, argv);
    app.InitInstance();
    return app.exec();
}
