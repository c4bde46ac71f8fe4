#include "faceplacement.h"

#include <QRegion>

#include <algorithm>
#include <limits>

namespace FacePlacement {

bool enoughShows(QRect face, QRect buttonRow, const QList<Screen> &screens)
{
    QRegion seen;
    for (const Screen &s : screens)
        seen += s.whole;
    if (!(QRegion(buttonRow) - seen).isEmpty())
        return false;
    qint64 shown = 0;
    for (const QRect &r : seen.intersected(face))
        shown += qint64(r.width()) * r.height();
    return 4 * shown >= qint64(face.width()) * face.height();
}

QPoint place(QPoint at, QSize face, QRect buttonRow, const QList<Screen> &screens)
{
    if (screens.isEmpty())
        return at;
    // A stored place no screen comes near would overflow the rectangles' arithmetic.
    constexpr int far = 1 << 24;
    const QPoint near(std::clamp(at.x(), -far, far), std::clamp(at.y(), -far, far));
    if (near == at && enoughShows(QRect(at, face), buttonRow.translated(at), screens))
        return at;
    QPoint best = at;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const Screen &s : screens) {
        const bool fits = s.free.width() >= face.width() && s.free.height() >= face.height();
        const QRect area = fits ? s.free : s.whole;
        // Left and top aligned on a screen smaller than the face.
        const QPoint p(std::max(area.left(), std::min(near.x(), area.right() - face.width() + 1)),
                       std::max(area.top(), std::min(near.y(), area.bottom() - face.height() + 1)));
        const qint64 dx = p.x() - near.x(), dy = p.y() - near.y();
        if (dx * dx + dy * dy < bestDistance) {
            bestDistance = dx * dx + dy * dy;
            best = p;
        }
    }
    return best;
}

} // namespace FacePlacement
