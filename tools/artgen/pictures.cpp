#include "pictures.h"

#include "canvas.h"
#include "glyphs.h"
#include "palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string_view>

namespace {

constexpr double kPi = std::numbers::pi;

// Segments a-g of each decimal digit, bit 0 = a (top) ... bit 6 = g (middle).
constexpr std::array<int, 10> kDigitSegments = {0b0111111, 0b0000110, 0b1011011, 0b1001111,
                                                0b1100110, 0b1101101, 0b1111101, 0b0000111,
                                                0b1111111, 0b1101111};

// A small repeatable noise source, so the brushed metal comes out the same on every run.
std::uint32_t hash(std::uint32_t n)
{
    n = (n ^ 61u) ^ (n >> 16);
    n *= 9u;
    n ^= n >> 4;
    n *= 0x27d4eb2du;
    n ^= n >> 15;
    return n;
}

// Brightens (amount > 0) or darkens a colour by a few levels per channel.
QRgb shift(QRgb c, int amount)
{
    const auto ch = [amount](int v) { return std::clamp(v + amount, 0, 255); };
    return qRgb(ch(qRed(c)), ch(qGreen(c)), ch(qBlue(c)));
}

// A display segment: a bar from a to b with pointed ends, like the bars of a VFD tube.
void bar(Canvas &c, QPointF a, QPointF b, double thick, QRgb colour)
{
    const double len = std::hypot(b.x() - a.x(), b.y() - a.y());
    const QPointF u((b.x() - a.x()) / len, (b.y() - a.y()) / len);
    const QPointF n(-u.y(), u.x());
    const double h = thick / 2;
    c.polygon({a, a + u * h + n * h, b - u * h + n * h, b, b - u * h - n * h, a + u * h - n * h},
              colour);
}

// A lit segment: amber with a brighter core, so it reads as glowing rather than painted.
void litBar(Canvas &c, QPointF a, QPointF b, double thick)
{
    bar(c, a, b, thick, kLit);
    if (thick >= 4)
        bar(c, a, b, thick / 2, kLitCore);
}

template <std::size_t N> const Art &find(const std::array<glyphs::Letter, N> &font, char ch)
{
    for (const auto &l : font)
        if (l.ch == ch)
            return l.art;
    return font.back().art;
}

// The glyph of ch in the 3 x 5, 5 x 7 or 7 x 12 alphabet; a blank for characters it lacks.
const Art &letter(std::string_view font, char ch)
{
    if (font == "3x5")
        return find(glyphs::kFont3x5, ch);
    if (font == "7x12")
        return find(glyphs::kFont7x12, ch);
    return find(glyphs::kFont5x7, ch);
}

int textWidth(std::string_view font, std::string_view text, int spacing)
{
    int w = 0;
    for (char ch : text)
        w += static_cast<int>(letter(font, ch)[0].size()) + spacing;
    return w - spacing;
}

void text(Canvas &c, int x, int y, std::string_view font, std::string_view s, int spacing,
          ArtKey key)
{
    for (char ch : s) {
        const Art &art = letter(font, ch);
        c.stamp(x, y, art, key);
        x += static_cast<int>(art[0].size()) + spacing;
    }
}

// A screw head seen from the front, its slot on the slant.
void screw(Canvas &c, int x, int y)
{
    c.stamp(x, y, glyphs::kScrew,
            {{'D', kBodyShadow},
             {'H', kBodyHighlight},
             {'L', kScrewFace},
             {'M', kScrewShade},
             {'S', kScrewSlot}});
}

// A key cap filling r: metal or lit, bevelled, its cut corners showing the tray beneath.
void keyCap(Canvas &c, QRect r, bool lit)
{
    const QRgb top = lit ? kLitCapTop : kCapTop;
    const QRgb bottom = lit ? kLitCapBottom : kCapBottom;
    for (int y = r.top(); y <= r.bottom(); ++y)
        c.hline(r.left(), r.right(), y, mix(top, bottom, double(y - r.top()) / r.height()));
    const QRgb outline = lit ? kLitCapOutline : kCapOutline;
    c.hline(r.left() + 1, r.right() - 1, r.top(), outline);
    c.hline(r.left() + 1, r.right() - 1, r.bottom(), outline);
    c.vline(r.left(), r.top() + 1, r.bottom() - 1, outline);
    c.vline(r.right(), r.top() + 1, r.bottom() - 1, outline);
    for (QPoint p : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        c.put(p.x(), p.y(), kTray);
    c.bevel(r.adjusted(1, 1, -1, -1), lit ? kLitCapHighlight : kCapHighlight,
            lit ? kLitCapShadow : kCapShadow);
}

// A symbol on a key cap, centred in r, with a one-pixel drop shadow.
void keySymbol(Canvas &c, QRect r, const Art &art, bool lit)
{
    const int w = static_cast<int>(art[0].size()), h = static_cast<int>(art.size());
    const int x = r.left() + (r.width() - w) / 2, y = r.top() + (r.height() - h) / 2;
    c.stamp(x + 1, y + 1, art, {{'#', lit ? kLitSymbolShadow : kCapSymbolShadow}});
    c.stamp(x, y, art, {{'#', lit ? kLit : kCapSymbol}});
}

// A twin-bell alarm clock seen from the front, centred on centre with a face of radius r.
// The logo and the window icon share it.
void alarmClock(Canvas &c, QPointF centre, double r)
{
    const auto at = [&](double angleDeg, double dist) {
        const double a = angleDeg * kPi / 180;
        return QPointF(centre.x() + dist * std::sin(a), centre.y() - dist * std::cos(a));
    };
    const double rim = std::max(2.0, std::round(r * 0.16));

    // Legs first: the body covers their upper ends.
    for (double side : {-1.0, 1.0})
        bar(c, at(side * 140, r * 0.8), at(side * 142, r * 1.28), std::max(2.0, r * 0.16),
            kBodyHighlight);

    // The hammer between the bells, then the bells on their stems.
    bar(c, at(0, r * 0.9), at(0, r * 1.3), std::max(2.0, r * 0.1), kBrassShade);
    c.disc(at(0, r * 1.32), std::max(1.2, r * 0.13), kBrass);
    for (double side : {-1.0, 1.0}) {
        const QPointF bellCentre = at(side * 40, r * 0.98);
        const double br = r * 0.44;
        c.disc(bellCentre, br, kBrassDark);
        c.disc(bellCentre, br - 1, kBrass);
        c.disc(QPointF(bellCentre.x() - br * 0.25, bellCentre.y() - br * 0.3), br * 0.55,
               kBrassLight);
        c.disc(QPointF(bellCentre.x() - br * 0.4, bellCentre.y() - br * 0.45), br * 0.2,
               kBrassShine);
    }

    // The case: a metal ring lit from the upper left, and the black dial inside it.
    c.disc(centre, r, kBodyShadow);
    c.disc(centre, r - 1, kBodyTop);
    c.disc(QPointF(centre.x() + r * 0.05, centre.y() + r * 0.05), r - 1.5, kBodyBottom);
    c.disc(QPointF(centre.x() - r * 0.05, centre.y() - r * 0.05), r - rim + 0.5, kBodyHighlight);
    c.disc(centre, r - rim, kGlass);

    // Hour marks: the four quarters long and bright, the rest short.
    if (r >= 16) {
        for (int h = 0; h < 12; ++h) {
            const bool quarter = h % 3 == 0;
            const double outer = r - rim - 2, inner = outer - (quarter ? r * 0.16 : r * 0.08);
            bar(c, at(h * 30, inner), at(h * 30, outer), quarter ? 2.2 : 1.6,
                quarter ? kLit : kLitEdge);
        }
    } else {
        for (int h = 0; h < 12; h += 3) {
            const QPointF p = at(h * 30, r - rim - 1.5);
            c.put(int(std::floor(p.x())), int(std::floor(p.y())), kLitEdge);
        }
    }

    // Ten past ten, the hands spread like a smile; a red seconds hand for life.
    const double dial = r - rim;
    bar(c, at(305, -dial * 0.1), at(305, dial * 0.55), std::max(2.0, r * 0.12), kLit);
    bar(c, at(60, -dial * 0.1), at(60, dial * 0.82), std::max(2.0, r * 0.09), kLitCore);
    if (r >= 16)
        bar(c, at(200, -dial * 0.2), at(200, dial * 0.85), 1.4, kStopLabelLit);
    c.disc(centre, std::max(1.0, r * 0.08), kLitCore);
}

} // namespace

QImage drawFace()
{
    Canvas c(151, 130, kBodyBottom);

    // Brushed metal: a top-lit gradient with faint horizontal grain.
    for (int y = 0; y < 130; ++y) {
        const QRgb base = mix(kBodyTop, kBodyBottom, y / 129.0);
        for (int x = 0; x < 151; ++x) {
            const int grain = int(hash(std::uint32_t(y * 7919 + x / 9)) % 5) - 2;
            c.put(x, y, shift(base, grain + (hash(std::uint32_t(y)) % 3 == 0 ? 2 : 0)));
        }
    }
    // The body's rounded-over edge.
    c.bevel(QRect(0, 0, 151, 130), kBodyHighlight, kBodyShadow);
    c.bevel(QRect(1, 1, 149, 128), mix(kBodyHighlight, kBodyTop, 0.5),
            mix(kBodyShadow, kBodyBottom, 0.4));

    // The glass sits in a bezel sunk three pixels into the body.
    const QRect glass(12, 10, 127, 88);
    c.bevel(glass.adjusted(-3, -3, 3, 3), kBodyShadow, kBodyHighlight);
    c.fill(glass.adjusted(-2, -2, 2, 2), kBezelOuter);
    c.bevel(glass.adjusted(-2, -2, 2, 2), kBezelInner, kBezelLip);
    c.fill(glass.adjusted(-1, -1, 1, 1), kBezelInner);
    c.fill(glass, kGlass);

    // The date separators are printed on the glass; the digits around them are copied in.
    for (QPoint origin : {QPoint(45, 16), QPoint(79, 16)}) {
        for (int row = 0; row < 12; ++row) {
            const int x = origin.x() + int(std::lround((11 - row) * 5.0 / 11.0));
            c.hline(x, x + 1, origin.y() + row, kLit);
        }
    }

    // The name, engraved in the strip above the glass.
    const int nameWidth = textWidth("3x5", "ZELKA!", 1);
    const int nx = (151 - nameWidth) / 2;
    text(c, nx + 1, 2, "3x5", "ZELKA!", 1, {{'#', kEngraveLight}});
    text(c, nx, 1, "3x5", "ZELKA!", 1, {{'#', kEngraveDark}});

    // Four screws hold the body together.
    for (QPoint p : {QPoint(2, 1), QPoint(144, 1), QPoint(2, 123), QPoint(144, 123)})
        screw(c, p.x(), p.y());

    // The pedestal: a tray sunk into the body's foot that the buttons stand in.
    const QRect tray(9, 103, 133, 23);
    c.bevel(tray, kTrayEdgeDark, kTrayEdgeLight);
    c.fill(tray.adjusted(1, 1, -1, -1), kTray);
    c.hline(tray.left() + 1, tray.right() - 1, tray.top() + 1, kTrayEdgeDark);

    // Speaker grilles either side of the buttons.
    for (QRect grille : {QRect(13, 107, 20, 15), QRect(125, 107, 13, 15)}) {
        for (int y = grille.top(); y < grille.bottom(); y += 3) {
            for (int x = grille.left() + ((y - grille.top()) / 3 % 2); x < grille.right(); x += 3) {
                c.put(x, y, kGrilleHole);
                c.put(x + 1, y, kGrilleHole);
                c.put(x, y + 1, kGrilleHole);
                c.put(x + 1, y + 1, kGrilleLip);
            }
        }
    }

    // Sockets under the buttons, in case a button is ever missing.
    for (int k = 0; k < 4; ++k)
        c.fill(QRect(37 + 22 * k, 106, 18, 16), kTrayEdgeDark);
    return c.image();
}

QImage drawColon()
{
    Canvas c(6, 19, kGlass);
    for (int top : {3, 11}) {
        c.fill(QRect(1, top, 4, 4), kLit);
        c.put(1, top, kLitEdge);
        c.put(4, top, kLitEdge);
        c.put(1, top + 3, kLitEdge);
        c.put(4, top + 3, kLitEdge);
        c.put(2, top + 1, kLitCore);
    }
    return c.image();
}

QImage drawRunner()
{
    // Only columns 0-17 are ever copied, so the triangle sits well inside them.
    Canvas c(20, 19, kGlass);
    for (int row = 4; row <= 14; ++row) {
        const int reach = 5 - std::abs(row - 9);
        c.hline(6, 6 + reach, row, kLit);
    }
    c.vline(6, 5, 13, kLitCore);
    return c.image();
}

QImage drawWeekdays()
{
    // The bottom row of every name stays black: the runner strip is drawn over it.
    Canvas c(100, 105, kGlass);
    for (int day = 0; day < 7; ++day) {
        const int top = day * 15 + 1;
        c.stamp(30, top, glyphs::kXing, {{'#', kLit}});
        c.stamp(44, top, glyphs::kQi, {{'#', kLit}});
        c.stamp(58, top, glyphs::kDayNames[day], {{'#', kLit}});
    }
    return c.image();
}

QImage drawEnglishWeekdays()
{
    // Centred where the Chinese names are, on the same rows, bottom row black as there.
    Canvas c(100, 105, kGlass);
    for (int day = 0; day < 7; ++day) {
        const std::string_view name = glyphs::kEnglishDayNames[day];
        text(c, 50 - textWidth("7x12", name, 2) / 2, day * 15 + 1, "7x12", name, 2, {{'#', kLit}});
    }
    return c.image();
}

QImage drawBigDigits()
{
    Canvas c(26, 290, kGlass);
    constexpr double left = 5, right = 21, upper = 2, middle = 14, lower = 26;
    constexpr double thick = 4, gap = 0.9;
    for (int d = 0; d < 10; ++d) {
        const double y = d * 29;
        const std::array<std::pair<QPointF, QPointF>, 7> segments = {{
            {{left + gap, y + upper}, {right - gap, y + upper}},
            {{right, y + upper + gap}, {right, y + middle - gap}},
            {{right, y + middle + gap}, {right, y + lower - gap}},
            {{left + gap, y + lower}, {right - gap, y + lower}},
            {{left, y + middle + gap}, {left, y + lower - gap}},
            {{left, y + upper + gap}, {left, y + middle - gap}},
            {{left + gap, y + middle}, {right - gap, y + middle}},
        }};
        // Unlit segments show faintly, as on a real display.
        for (int s = 0; s < 7; ++s) {
            if (kDigitSegments[d] & (1 << s))
                litBar(c, segments[s].first, segments[s].second, thick);
            else
                bar(c, segments[s].first, segments[s].second, thick, kGhost);
        }
    }
    return c.image();
}

QImage drawSmallDigits()
{
    Canvas c(10, 120, kGlass);
    for (int d = 0; d < 10; ++d) {
        for (int s = 0; s < 7; ++s) {
            const bool lit = kDigitSegments[d] & (1 << s);
            c.stamp(2, d * 12, glyphs::kSmallSegments, {{char('a' + s), lit ? kLit : kGhost}});
        }
    }
    return c.image();
}

QImage drawBell()
{
    Canvas c(42, 138, kGlass);
    // The bell swings about a pin near the top; the clapper lags behind the swing.
    constexpr double pivotX = 21.0, pivotY = 8.0;
    // The profile below is drawn for a 27-pixel bell and stretched to fill the frame.
    constexpr double stretchU = 1.04, stretchV = 1.11;
    constexpr std::array<double, 3> swing = {15.0, -15.0, 0.0};

    // Half-width of the bell's profile at depth v below the pin; 0 outside the bell.
    const auto halfWidth = [](double v) {
        if (v < 2.5 || v > 27.0)
            return 0.0;
        if (v < 7.0)
            return 6.5 * std::sqrt(1.0 - std::pow((7.0 - v) / 4.5, 2));
        if (v < 23.0)
            return 6.5 + 5.0 * std::pow((v - 7.0) / 16.0, 2);
        return 11.5 + 1.5 * (v - 23.0) / 4.0;
    };

    for (int f = 0; f < 3; ++f) {
        const double a = swing[f] * kPi / 180, clapper = -swing[f] * 0.6 * kPi / 180;
        const double top = f * 46;
        // Bracket and pin stay put while the bell swings.
        c.hline(14, 27, int(top) + 1, kBrassLight);
        c.hline(14, 27, int(top) + 2, kBrassShade);
        c.vline(20, int(top) + 3, int(top) + 6, kBrassShade);
        c.vline(21, int(top) + 3, int(top) + 6, kBrassShade);

        for (int y = 0; y < 46; ++y) {
            for (int x = 0; x < 42; ++x) {
                const double dx = x + 0.5 - pivotX, dy = y + 0.5 - pivotY;
                // Into the bell's own frame of reference.
                const double u = dx * std::cos(a) + dy * std::sin(a);
                const double v = -dx * std::sin(a) + dy * std::cos(a);
                const double cu = dx * std::cos(a + clapper) + dy * std::sin(a + clapper);
                const double cv = -dx * std::sin(a + clapper) + dy * std::cos(a + clapper);
                QRgb colour = 0;
                bool set = false;
                // The clapper's ball peeps out under the rim.
                const double ball = std::hypot(cu, cv - 33.0);
                if (ball < 3.0) {
                    colour = (cu < -0.6 && cv < 32.5) ? kBrassLight : kBrassShade;
                    set = true;
                }
                // The hanging loop around the pin.
                const double loop = std::hypot(u, v);
                if (loop > 1.3 && loop < 3.0 && v > -3.0) {
                    colour = kBrassShade;
                    set = true;
                }
                const double w = halfWidth(v / stretchV) * stretchU;
                if (w > 0 && std::abs(u) <= w) {
                    // Light from the upper left: a shine band, then brass, then shade.
                    const double s = u / w;
                    if (s < -0.88)
                        colour = kBrass;
                    else if (s < -0.68)
                        colour = kBrassLight;
                    else if (s < -0.48)
                        colour = v > 5.0 ? kBrassShine : kBrassLight;
                    else if (s < 0.3)
                        colour = kBrass;
                    else if (s < 0.7)
                        colour = kBrassShade;
                    else
                        colour = kBrassDark;
                    // The thickened lip at the mouth.
                    if (v > 23.5 * stretchV && v < 24.8 * stretchV)
                        colour = s < 0.3 ? kBrassShine : kBrassLight;
                    else if (v > 24.8 * stretchV)
                        colour = s < -0.3 ? kBrassLight : (s < 0.4 ? kBrass : kBrassShade);
                    set = true;
                }
                if (set)
                    c.put(x, int(top) + y, colour);
            }
        }
    }
    return c.image();
}

QImage drawBanner()
{
    // A dot-matrix panel: 2 x 2 dots on a 3-pixel pitch. The banner shakes by exactly one
    // pitch, so the dark dots left behind line up with the ones drawn, and the outer two
    // columns of dots stay dark so the text leaves no trail.
    Canvas c(106, 28, kGlass);
    constexpr int pitch = 3, columns = 35, rows = 9;
    std::array<std::array<bool, columns>, rows> lit{};
    std::string_view word = "Ring...";
    int col = 4;
    for (char ch : word) {
        const Art &art = letter("5x7", ch);
        for (int r = 0; r < static_cast<int>(art.size()); ++r)
            for (int k = 0; k < static_cast<int>(art[r].size()); ++k)
                if (art[r][k] == '#')
                    lit[r][col + k] = true;
        col += static_cast<int>(art[0].size()) + (ch == 'g' ? 3 : 1);
    }
    for (int r = 0; r < rows; ++r) {
        for (int k = 0; k < columns; ++k) {
            const int x = 1 + k * pitch, y = 1 + r * pitch;
            if (lit[r][k]) {
                c.fill(QRect(x, y, 2, 2), kLit);
                c.put(x, y, kLitCore);
            } else {
                c.fill(QRect(x, y, 2, 2), kDotGhost);
            }
        }
    }
    return c.image();
}

QImage drawButtons(bool lit)
{
    Canvas c(18, 64, kTray);
    const std::array<const Art *, 4> symbols = {&glyphs::kBellSymbol, &glyphs::kToolsSymbol,
                                                &glyphs::kQuestionSymbol, &glyphs::kCrossSymbol};
    for (int k = 0; k < 4; ++k) {
        const QRect cell(0, 16 * k, 18, 16);
        keyCap(c, cell, lit);
        keySymbol(c, cell.adjusted(1, 1, -1, -1), *symbols[k], lit);
    }
    return c.image();
}

QImage drawStopButton(bool lit)
{
    Canvas c(62, 16, kTray);
    keyCap(c, QRect(0, 0, 62, 16), lit);
    const QRgb label = lit ? kStopLabelLit : kStopLabel;
    const int width = 6 + 4 + textWidth("5x7", "STOP", 1);
    const int x = (62 - width) / 2;
    c.stamp(x + 1, 6, glyphs::kStopSquare, {{'#', kStopLabelShadow}});
    c.stamp(x, 5, glyphs::kStopSquare, {{'#', label}});
    text(c, x + 11, 5, "5x7", "STOP", 1, {{'#', kStopLabelShadow}});
    text(c, x + 10, 4, "5x7", "STOP", 1, {{'#', label}});
    return c.image();
}

QImage drawLogo()
{
    // Columns 205-217 stay black: the badge is drawn over them later.
    Canvas c(218, 192, kGlass);
    const double cx = 102;

    alarmClock(c, QPointF(cx, 55), 30);

    // The name in display segments, with a dark extrusion for depth.
    constexpr double h = 40, w = 25, t = 6, gap = 0.9, space = 7;
    const auto letters = std::string_view("ZELKA!");
    double total = 0;
    for (char ch : letters)
        total += (ch == '!' ? t : w) + space;
    total -= space;
    for (int pass = 0; pass < 2; ++pass) {
        double x = std::round(cx - total / 2);
        const double y = 104 + (pass == 0 ? 2 : 0);
        const double dx = pass == 0 ? 2 : 0;
        const auto seg = [&](QPointF a, QPointF b) {
            a += QPointF(x + dx, y);
            b += QPointF(x + dx, y);
            if (pass == 0)
                bar(c, a, b, t, kBrassDark);
            else
                litBar(c, a, b, t);
        };
        const double l = t / 2, r = w - t / 2, top = t / 2, mid = h / 2, bot = h - t / 2;
        for (char ch : letters) {
            switch (ch) {
            case 'Z':
                seg({l + gap, top}, {r - gap, top});
                seg({r - 1.5, top + t * 0.8}, {l + 1.5, bot - t * 0.8});
                seg({l + gap, bot}, {r - gap, bot});
                break;
            case 'E':
                seg({l + gap, top}, {r - gap, top});
                seg({l, top + gap}, {l, mid - gap});
                seg({l + gap, mid}, {r - gap - 4, mid});
                seg({l, mid + gap}, {l, bot - gap});
                seg({l + gap, bot}, {r - gap, bot});
                break;
            case 'L':
                seg({l, top - t / 2 + 1}, {l, mid - gap});
                seg({l, mid + gap}, {l, bot - gap});
                seg({l + gap, bot}, {r - gap, bot});
                break;
            case 'K':
                seg({l, top - t / 2 + 1}, {l, mid - gap});
                seg({l, mid + gap}, {l, bot + t / 2 - 1});
                seg({l + t * 0.9, mid - 1}, {r, top - t / 2 + 1.5});
                seg({l + t * 0.9, mid + 1}, {r, bot + t / 2 - 1.5});
                break;
            case 'A':
                seg({l + gap, top}, {r - gap, top});
                seg({l, top + gap}, {l, mid - gap});
                seg({r, top + gap}, {r, mid - gap});
                seg({l + gap, mid}, {r - gap, mid});
                seg({l, mid + gap}, {l, bot + t / 2 - 1});
                seg({r, mid + gap}, {r, bot + t / 2 - 1});
                break;
            case '!':
                seg({t / 2, top - t / 2 + 1}, {t / 2, bot - t - 1});
                if (pass == 0) {
                    c.fill(QRect(int(x + dx), int(y + bot - t / 2), int(t), int(t)), kBrassDark);
                } else {
                    c.fill(QRect(int(x), int(y + bot - t / 2), int(t), int(t)), kLit);
                    c.fill(QRect(int(x) + 1, int(y + bot - t / 2) + 1, 3, 3), kLitCore);
                }
                break;
            default:
                break;
            }
            x += (ch == '!' ? t : w) + space;
        }
    }

    // What it is, in small print, and the seconds runner the face shows.
    const std::string_view caption = "ALARM CLOCK";
    const int captionWidth = textWidth("5x7", caption, 2);
    text(c, int(cx) - captionWidth / 2, 156, "5x7", caption, 2, {{'#', kCaption}});
    for (int k = 0; k < 6; ++k) {
        const int x = int(cx) - 45 + k * 16;
        for (int row = 0; row < 9; ++row) {
            const int reach = 4 - std::abs(row - 4);
            c.hline(x, x + reach, 172 + row, k < 4 ? kLit : kGhost);
        }
    }
    return c.image();
}

QImage drawBadge()
{
    // A vermilion seal reading 闹钟, the kind stamped beside a painting's title.
    Canvas c(40, 88, kGlass);
    const QRect seal(2, 1, 36, 86);
    c.fill(seal, kSeal);
    for (QPoint p : {seal.topLeft(), seal.topRight(), seal.bottomLeft(), seal.bottomRight()})
        c.put(p.x(), p.y(), kGlass);
    // A stamp never takes evenly: scatter a few paler and darker flecks.
    for (int y = seal.top(); y <= seal.bottom(); ++y) {
        for (int x = seal.left(); x <= seal.right(); ++x) {
            const std::uint32_t n = hash(std::uint32_t(y * 131 + x)) % 29;
            if (c.at(x, y) == kSeal && n == 0)
                c.put(x, y, kSealDark);
            else if (c.at(x, y) == kSeal && n == 1)
                c.put(x, y, kSealPale);
        }
    }
    // The characters are carved out, twice the size of their 16-pixel drawings.
    const auto carve = [&](const Art &art, int ox, int oy) {
        for (int r = 0; r < 16; ++r)
            for (int k = 0; k < 16; ++k)
                if (art[r][k] == '#')
                    c.fill(QRect(ox + 2 * k, oy + 2 * r, 2, 2), kSealCarve);
    };
    carve(glyphs::kNao, 4, 8);
    carve(glyphs::kZhong, 4, 47);
    return c.image();
}

QImage drawIcon(int size)
{
    Canvas c = Canvas::transparent(size, size);
    if (size >= 48) {
        alarmClock(c, QPointF(size / 2.0, size * 0.55), size * 0.33);
    } else {
        // At 32 pixels the shaded clock turns to mush: draw it plainly, one pixel per stroke.
        const QPointF centre(16, 18);
        for (double side : {-1.0, 1.0}) {
            const QPointF bell(centre.x() + side * 7.6, centre.y() - 9.6);
            c.disc(bell, 4.6, kBrassShade);
            c.disc(QPointF(bell.x() - 0.6, bell.y() - 0.6), 3.6, kBrass);
            c.disc(QPointF(bell.x() - 1.5, bell.y() - 1.5), 1.5, kBrassLight);
            const int foot = side < 0 ? 8 : 23;
            const int step = side < 0 ? -1 : 1;
            for (int k = 0; k < 3; ++k)
                c.hline(std::min(foot + step * k, foot + step * (k + 1)),
                        std::max(foot + step * k, foot + step * (k + 1)), 27 + k, kBodyHighlight);
        }
        c.vline(15, 3, 6, kBrassShade);
        c.fill(QRect(14, 2, 3, 2), kBrass);
        c.disc(centre, 11, kBodyTop);
        c.ring(centre, 8.6, 11, kBodyHighlight);
        c.ring(centre, 9.6, 11, kBodyTop);
        c.disc(centre, 8.6, kGlass);
        for (QPoint p : {QPoint(15, 10), QPoint(15, 25), QPoint(8, 17), QPoint(23, 17)})
            c.fill(QRect(p, QSize(2, 2)), kLitEdge);
        // Ten past ten.
        c.line(QPoint(15, 17), QPoint(11, 15), kLit);
        c.line(QPoint(15, 18), QPoint(11, 16), kLit);
        c.line(QPoint(16, 17), QPoint(21, 13), kLitCore);
        c.line(QPoint(16, 18), QPoint(14, 23), kStopLabelLit);
        c.fill(QRect(15, 17, 2, 2), kLitCore);
    }
    // A dark rim keeps the clock readable on light and dark panels alike.
    c.outline(kBodyShadow);
    return c.image();
}

QImage drawPlayIcon()
{
    Canvas c = Canvas::transparent(32, 32);
    for (int row = 10; row <= 21; ++row) {
        const int reach = std::min(row - 10, 21 - row);
        c.hline(13, 13 + reach, row, kInk);
    }
    return c.image();
}

QImage drawStopIcon()
{
    Canvas c = Canvas::transparent(32, 32);
    c.fill(QRect(12, 12, 8, 8), kInk);
    return c.image();
}

QImage drawHandCursor()
{
    Canvas c = Canvas::transparent(32, 32);
    c.stamp(0, 0, glyphs::kHand, {{'X', kInk}, {'o', kPaper}});
    return c.image();
}
