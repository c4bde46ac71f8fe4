#include "zelkaapp.h"

int main(int argc, char *argv[])
{
    // Whole-number scale factors only: the face is pixel art, shown doubled, never blurred.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::Round);
    ZelkaApp app(argc, argv);
    app.InitInstance();
    return app.exec();
}
