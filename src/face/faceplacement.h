#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

// Where the face goes so that it is never lost off the screens. Pure geometry, in the
// coordinates the screens' geometry and a widget's move() share (device-independent pixels).
namespace FacePlacement {

struct Screen {
    QRect whole; // what the monitor shows
    QRect free;  // the part no panel reserves
};

// True while the screens together show the whole button row and at least a quarter of the face.
bool enoughShows(QRect face, QRect buttonRow, const QList<Screen> &screens);

// `at` itself while enough of the face shows; otherwise the nearest place where the whole
// face lies in one screen's free part (its whole area when the free part is too small).
// buttonRow is relative to the face's top-left.
QPoint place(QPoint at, QSize face, QRect buttonRow, const QList<Screen> &screens);

} // namespace FacePlacement
