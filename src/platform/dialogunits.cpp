#include "dialogunits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace {

// a * b / c rounded to the nearest integer, halves away from zero, as the dialog
// manager's MulDiv does; every coordinate is rounded on its own, not derived from others.
int mulDiv(int a, int b, int c)
{
    const qint64 product = qint64(a) * b;
    const qint64 half = c / 2;
    return int(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DialogUnits::DialogUnits(const QFont &dialogFont)
{
    const QFontMetrics metrics(dialogFont);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Half of the per-pair width, rounded: the average letter width the dialog manager uses.
    unitX = (letters / 26 + 1) / 2;
    unitY = metrics.height();
}

int DialogUnits::x(int units) const
{
    return mulDiv(units, unitX, 4);
}

int DialogUnits::y(int units) const
{
    return mulDiv(units, unitY, 8);
}

QRect DialogUnits::rect(int x, int y, int w, int h) const
{
    return QRect(this->x(x), this->y(y), this->x(w), this->y(h));
}

QSize DialogUnits::size(int w, int h) const
{
    return QSize(x(w), y(h));
}

QFont DialogUnits::dialogFont()
{
    const QStringList installed = QFontDatabase::families();
    QString family = QStringLiteral("WenQuanYi Micro Hei");
    for (const QString &name : {QStringLiteral("宋体"), QStringLiteral("SimSun")}) {
        if (installed.contains(name, Qt::CaseInsensitive)) {
            family = name;
            break;
        }
    }
    return QFont(family, 9);
}
