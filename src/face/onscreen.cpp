#include "onscreen.h"

#include "faceplacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

OnScreen::OnScreen(QWidget &window, QRect buttonRow) : window(window), buttonRow(buttonRow)
{
    // Monitors rearranged pass through layouts in between, which could strand the face.
    settle.setSingleShot(true);
    settle.setInterval(settleMs);
    connect(&settle, &QTimer::timeout, this, &OnScreen::place);
}

void OnScreen::watch()
{
    place();
    // Later: Qt has moved the windows off a screen that went by the time this runs.
    connect(qGuiApp, &QGuiApplication::screenRemoved, &settle, qOverload<>(&QTimer::start));
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &OnScreen::follow);
    for (QScreen *screen : QGuiApplication::screens())
        follow(screen);
}

void OnScreen::follow(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, &settle, qOverload<>(&QTimer::start));
}

void OnScreen::place()
{
    QList<FacePlacement::Screen> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    // pos() and move() are in the screens' own device-independent pixels, whatever the scale.
    const QPoint now = window.pos();
    const QPoint to = FacePlacement::place(now, window.frameGeometry().size(), buttonRow, screens);
    if (to == now)
        return;
    if (placedAt != now)
        chosen = now;
    placedAt = to;
    window.move(to);
}

QPoint OnScreen::recorded(QPoint now) const
{
    // A monitor missing today must not change the file: the user's place stays until a drag.
    return placedAt == now ? chosen : now;
}
