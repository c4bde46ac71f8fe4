#include "madeupmoves.h"

#include <QMouseEvent>
#include <QPointingDevice>

#include <algorithm>

void MadeUpMoves::moved(quint64 time, QPoint globalAt)
{
    lastMoveTime = time;
    lastMoveAt = globalAt;
}

void MadeUpMoves::motionReported(quint64 time)
{
    motionsReported = true;
    lastReportedMotion = time;
}

void MadeUpMoves::pressReported(quint64 time)
{
    // The press is delivered later, after motions that may follow it in its millisecond.
    if (!motionsReported || lastReportedMotion != time)
        return;
    pressesAfterMotion.push_back(time);
    if (pressesAfterMotion.size() > 16)
        pressesAfterMotion.pop_front();
}

bool MadeUpMoves::lastWasMadeUpFor(const QMouseEvent &press) const
{
    // A touch has no pointer resting anywhere: the move to it is the touch's own.
    if (press.pointingDevice() &&
        press.pointingDevice()->type() == QInputDevice::DeviceType::TouchScreen)
        return false;
    // The move Qt makes up for a press carries the press's time.
    if (press.timestamp() != lastMoveTime)
        return false;
    // A real motion and its press often share a millisecond: only a report tells them apart.
    if (motionsReported)
        return std::find(pressesAfterMotion.begin(), pressesAfterMotion.end(), press.timestamp()) ==
               pressesAfterMotion.end();
    // Nothing reports motions here: a move at the press's own time and place is Qt's.
    return press.globalPosition().toPoint() == lastMoveAt;
}
