#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>

#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

// Pixel art written as text, one string per row; each character picks a colour from a key.
using Art = std::vector<std::string_view>;
using ArtKey = std::initializer_list<std::pair<char, QRgb>>;

// A picture being drawn pixel by pixel. Nothing is antialiased: every pixel gets exactly
// one colour, so the art stays crisp when it is copied 1:1 onto the face.
class Canvas
{
public:
    // An opaque picture filled with one colour.
    Canvas(int width, int height, QRgb ground);
    // A picture with an alpha channel, fully transparent.
    static Canvas transparent(int width, int height);

    const QImage &image() const { return img; }
    int width() const { return img.width(); }
    int height() const { return img.height(); }

    void put(int x, int y, QRgb colour);
    QRgb at(int x, int y) const;
    void fill(QRect r, QRgb colour);
    void hline(int x0, int x1, int y, QRgb colour);
    void vline(int x, int y0, int y1, QRgb colour);
    // A raised edge: light along the top and left, dark along the bottom and right.
    void bevel(QRect r, QRgb light, QRgb dark);
    // A 1-pixel line from a to b, both ends included.
    void line(QPoint a, QPoint b, QRgb colour);
    // Fills every pixel whose centre lies inside the (convex or not) polygon.
    void polygon(const std::vector<QPointF> &points, QRgb colour);
    // Fills every pixel whose centre lies within radius of centre.
    void disc(QPointF centre, double radius, QRgb colour);
    // Fills every pixel whose centre lies between the two radii.
    void ring(QPointF centre, double inner, double outer, QRgb colour);
    // Copies text art with its top-left corner at (x, y); characters missing from the key
    // are left alone, so '.' means "keep what is there".
    void stamp(int x, int y, const Art &art, ArtKey key);
    // Copies another canvas with its top-left corner at (x, y); transparent pixels are skipped.
    void paste(int x, int y, const Canvas &other);
    // Rings every opaque shape with a one-pixel outline on its transparent side.
    void outline(QRgb colour);

private:
    explicit Canvas(QImage image);
    QImage img;
};

// A colour part of the way from a to b; t = 0 gives a, t = 1 gives b.
QRgb mix(QRgb a, QRgb b, double t);
