#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

// Dialogs are laid out in dialog units, as their templates give them: a quarter of the
// dialog font's average letter width across, an eighth of its height down.
class DialogUnits
{
public:
    explicit DialogUnits(const QFont &dialogFont);
    DialogUnits(int baseX, int baseY) : unitX(baseX), unitY(baseY) {}

    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int w, int h) const;
    QSize size(int w, int h) const;

    // "宋体" 9 pt where it is installed, otherwise the CJK font the project installs.
    static QFont dialogFont();

private:
    int unitX;
    int unitY;
};
