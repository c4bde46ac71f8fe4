#pragma once

#include <QPoint>
#include <QtGlobal>

#include <deque>

class QMouseEvent;

// Qt makes up a move to the place of a press it has not seen the pointer reach, and a press
// acts on what a real move found. This tells the two apart from the moves seen and, where
// the window system reports them, its own motions and presses in their order and times: from
// the first motion reported on, a move in a press's millisecond is real only when a reported
// motion came in that millisecond before the press.
class MadeUpMoves
{
public:
    void moved(quint64 time, QPoint globalAt);
    void motionReported(quint64 time);
    void pressReported(quint64 time);
    // Whether the last move was the one Qt made up for this press.
    bool lastWasMadeUpFor(const QMouseEvent &press) const;

private:
    quint64 lastMoveTime = 0;
    QPoint lastMoveAt{-1, -1};
    bool motionsReported = false;
    quint64 lastReportedMotion = 0;
    // The latest reported presses that a reported motion came before in the same millisecond.
    std::deque<quint64> pressesAfterMotion;
};
