#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

// Opaque rectangle copies between 32-bit images, as the face and the logo draw: the source
// replaces the destination, clipped to both images, without allocating. An empty rectangle
// copies nothing (a painter would read an empty source as "the rest of the picture").
namespace BitmapCopy {

void copy(QImage &dst, QRect dest, const QImage &src, QPoint sourceAt);
void fillBlack(QImage &dst, QRect dest);

} // namespace BitmapCopy
