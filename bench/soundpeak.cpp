// Loops one sound file on SDL's dummy device until the device opens or the file is refused,
// then quits: under /usr/bin/time -v, its peak resident size is what loading the file costs.
#include "sdlsound.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: soundpeak FILE\n");
        return 2;
    }
    qputenv("SDL_AUDIODRIVER", "dummy");
    SdlSound sound;
    sound.loop(QByteArray(argv[1]));
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (SdlSound::holdsAudioDevice())
            app.exit(0);
        else if (!sound.isPlaying())
            app.exit(1);
    });
    poll.start(5);
    return app.exec();
}
