#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

Canvas::Canvas(int width, int height, QRgb ground) : img(width, height, QImage::Format_RGB32)
{
    img.fill(ground);
}

Canvas::Canvas(QImage image) : img(std::move(image)) {}

Canvas Canvas::transparent(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return Canvas(std::move(image));
}

void Canvas::put(int x, int y, QRgb colour)
{
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height())
        img.setPixel(x, y, colour);
}

QRgb Canvas::at(int x, int y) const
{
    return img.pixel(x, y);
}

void Canvas::fill(QRect r, QRgb colour)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        hline(r.left(), r.right(), y, colour);
}

void Canvas::hline(int x0, int x1, int y, QRgb colour)
{
    for (int x = x0; x <= x1; ++x)
        put(x, y, colour);
}

void Canvas::vline(int x, int y0, int y1, QRgb colour)
{
    for (int y = y0; y <= y1; ++y)
        put(x, y, colour);
}

void Canvas::bevel(QRect r, QRgb light, QRgb dark)
{
    hline(r.left(), r.right() - 1, r.top(), light);
    vline(r.left(), r.top(), r.bottom() - 1, light);
    hline(r.left() + 1, r.right(), r.bottom(), dark);
    vline(r.right(), r.top() + 1, r.bottom(), dark);
}

void Canvas::line(QPoint a, QPoint b, QRgb colour)
{
    // Bresenham: exactly one pixel per step, no soft edges.
    int dx = std::abs(b.x() - a.x()), sx = a.x() < b.x() ? 1 : -1;
    int dy = -std::abs(b.y() - a.y()), sy = a.y() < b.y() ? 1 : -1;
    int err = dx + dy;
    int x = a.x(), y = a.y();
    for (;;) {
        put(x, y, colour);
        if (x == b.x() && y == b.y())
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void Canvas::polygon(const std::vector<QPointF> &points, QRgb colour)
{
    const int n = static_cast<int>(points.size());
    for (int y = 0; y < img.height(); ++y) {
        const double py = y + 0.5;
        for (int x = 0; x < img.width(); ++x) {
            const double px = x + 0.5;
            // Even-odd rule on the pixel centre.
            bool inside = false;
            for (int i = 0, j = n - 1; i < n; j = i++) {
                const QPointF &p = points[i], &q = points[j];
                if ((p.y() > py) != (q.y() > py)) {
                    const double cx = p.x() + (py - p.y()) * (q.x() - p.x()) / (q.y() - p.y());
                    if (px < cx)
                        inside = !inside;
                }
            }
            if (inside)
                put(x, y, colour);
        }
    }
}

void Canvas::disc(QPointF centre, double radius, QRgb colour)
{
    ring(centre, -1.0, radius, colour);
}

void Canvas::ring(QPointF centre, double inner, double outer, QRgb colour)
{
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const double d = std::hypot(x + 0.5 - centre.x(), y + 0.5 - centre.y());
            if (d > inner && d <= outer)
                put(x, y, colour);
        }
    }
}

void Canvas::stamp(int x, int y, const Art &art, ArtKey key)
{
    for (int row = 0; row < static_cast<int>(art.size()); ++row) {
        const std::string_view line = art[row];
        for (int col = 0; col < static_cast<int>(line.size()); ++col) {
            for (const auto &[ch, colour] : key) {
                if (line[col] == ch)
                    put(x + col, y + row, colour);
            }
        }
    }
}

void Canvas::paste(int x, int y, const Canvas &other)
{
    for (int row = 0; row < other.height(); ++row) {
        for (int col = 0; col < other.width(); ++col) {
            const QRgb c = other.at(col, row);
            if (qAlpha(c) != 0)
                put(x + col, y + row, c);
        }
    }
}

void Canvas::outline(QRgb colour)
{
    const QImage before = img;
    const auto opaque = [&before](int x, int y) {
        return x >= 0 && y >= 0 && x < before.width() && y < before.height() &&
               qAlpha(before.pixel(x, y)) != 0;
    };
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (!opaque(x, y) &&
                (opaque(x - 1, y) || opaque(x + 1, y) || opaque(x, y - 1) || opaque(x, y + 1)))
                put(x, y, colour);
        }
    }
}

QRgb mix(QRgb a, QRgb b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    const auto lerp = [t](int p, int q) { return static_cast<int>(std::lround(p + (q - p) * t)); };
    return qRgba(lerp(qRed(a), qRed(b)), lerp(qGreen(a), qGreen(b)), lerp(qBlue(a), qBlue(b)),
                 lerp(qAlpha(a), qAlpha(b)));
}
