#include "bitmapcopy.h"

#include <algorithm>
#include <cstring>

namespace BitmapCopy {

void copy(QImage &dst, QRect dest, const QImage &src, QPoint sourceAt)
{
    if (dst.isNull() || src.isNull())
        return;
    const QRect from = QRect(sourceAt, dest.size()) & src.rect();
    const QRect shifted(dest.topLeft() + (from.topLeft() - sourceAt), from.size());
    const QRect to = shifted & dst.rect();
    const QPoint start = from.topLeft() + (to.topLeft() - shifted.topLeft());
    for (int row = 0; row < to.height(); ++row)
        std::memcpy(dst.scanLine(to.y() + row) + 4 * to.x(),
                    src.constScanLine(start.y() + row) + 4 * start.x(), size_t(4 * to.width()));
}

void fillBlack(QImage &dst, QRect dest)
{
    const QRect r = dest & dst.rect();
    for (int row = r.top(); row <= r.bottom(); ++row) {
        auto *pixel = reinterpret_cast<QRgb *>(dst.scanLine(row)) + r.x();
        std::fill(pixel, pixel + r.width(), qRgb(0, 0, 0));
    }
}

} // namespace BitmapCopy
