#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include <optional>

class QScreen;
class QWidget;

// Keeps a top-level window where a screen shows it: at start-up, when a screen goes and
// when one changes its geometry. The place the user chose is what gets recorded.
class OnScreen : public QObject
{
    Q_OBJECT

public:
    static constexpr int settleMs = 300;

    // buttonRow: what must stay in sight, relative to the window's top-left.
    OnScreen(QWidget &window, QRect buttonRow);

    // Places the window now, and again whenever the screens change.
    void watch();
    // The place to record for a window that is at `now`.
    QPoint recorded(QPoint now) const;

private:
    void place();
    void follow(QScreen *screen);

    QWidget &window;
    QRect buttonRow;
    QTimer settle;                  // a layout change comes as several signals: act on the last
    QPoint chosen;                  // where the window was before this moved it
    std::optional<QPoint> placedAt; // where this last moved it
};
