// artgen: draws every picture of Zelka!'s art and writes it as PNG into one folder.
// Usage: artgen <outdir>

#include "pictures.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>
#include <functional>

namespace {

struct Picture {
    const char *file;
    int width, height;
    std::function<QImage()> draw;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <outdir>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "artgen: cannot create %s\n", argv[1]);
        return 1;
    }

    // The sizes are the program's contract with the art; a picture of another size fails here.
    const Picture pictures[] = {
        {"face.png", 151, 130, drawFace},
        {"colon.png", 6, 19, drawColon},
        {"runner.png", 20, 19, drawRunner},
        {"weekdays.png", 100, 105, drawWeekdays},
        {"weekdays_en.png", 100, 105, drawEnglishWeekdays},
        {"bigdigits.png", 26, 290, drawBigDigits},
        {"smalldigits.png", 10, 120, drawSmallDigits},
        {"bell.png", 42, 138, drawBell},
        {"banner.png", 106, 28, drawBanner},
        {"buttons.png", 18, 64, [] { return drawButtons(false); }},
        {"buttons_lit.png", 18, 64, [] { return drawButtons(true); }},
        {"stop.png", 62, 16, [] { return drawStopButton(false); }},
        {"stop_lit.png", 62, 16, [] { return drawStopButton(true); }},
        {"logo.png", 218, 192, drawLogo},
        {"badge.png", 40, 88, drawBadge},
        {"icon.png", 32, 32, [] { return drawIcon(32); }},
        {"icon64.png", 64, 64, [] { return drawIcon(64); }},
        {"play.png", 32, 32, drawPlayIcon},
        {"stop_icon.png", 32, 32, drawStopIcon},
        {"hand.png", 32, 32, drawHandCursor},
    };

    int failures = 0;
    for (const Picture &p : pictures) {
        const QImage image = p.draw();
        const QString path = out.filePath(QString::fromLatin1(p.file));
        if (image.width() != p.width || image.height() != p.height) {
            std::fprintf(stderr, "artgen: %s is %dx%d, must be %dx%d\n", p.file, image.width(),
                         image.height(), p.width, p.height);
            ++failures;
        } else if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "artgen: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
