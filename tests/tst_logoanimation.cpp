#include "logoanimation.h"

#include <QTest>

#include <vector>

using namespace Logo;

namespace {

// Every pixel of a model back image records where it came from: black, or one pixel of a
// picture. Applying a run's draws to it shows what the dialog would show, without a display.
struct Canvas {
    struct Pixel {
        Picture source = noPicture; // noPicture: black
        QPoint at;
        bool operator==(const Pixel &) const = default;
    };
    // Starts unpainted, unlike black, so that a missing fill shows.
    std::vector<Pixel> pixels =
        std::vector<Pixel>(size_t(imageSize.width() * imageSize.height()), {pictureCount, {}});

    Pixel &at(int x, int y) { return pixels[size_t(y * imageSize.width() + x)]; }

    // False when a draw reaches outside the image.
    bool apply(const QList<Draw> &draws)
    {
        for (const Draw &d : draws) {
            if (d.to.isEmpty())
                continue;
            if (!QRect(QPoint(0, 0), imageSize).contains(d.to))
                return false;
            for (int y = 0; y < d.to.height(); ++y)
                for (int x = 0; x < d.to.width(); ++x)
                    at(d.to.x() + x, d.to.y() + y) =
                        d.kind == Draw::FillSolidRect
                            ? Pixel{noPicture, {}}
                            : Pixel{d.source, d.from.topLeft() + QPoint(x, y)};
        }
        return true;
    }

    // The first pixel that differs from what `expected` says, or nothing.
    template <typename Expected> QString firstMismatch(Expected expected)
    {
        for (int y = 0; y < imageSize.height(); ++y)
            for (int x = 0; x < imageSize.width(); ++x)
                if (!(at(x, y) == expected(x, y)))
                    return QStringLiteral("pixel (%1, %2)").arg(x).arg(y);
        return {};
    }
};

Canvas::Pixel black()
{
    return {noPicture, {}};
}

constexpr QRect badgeRect(205, 95, 40, 88);

// The whole logo at the top left, the badge rows from `badgeTop` to `badgeBottom` in their
// place over it, black elsewhere.
Canvas::Pixel finalLayout(int x, int y, int badgeTop = 0, int badgeBottom = 87)
{
    if (badgeRect.contains(x, y)) {
        const QPoint p = QPoint(x, y) - badgeRect.topLeft();
        if (p.y() >= badgeTop && p.y() <= badgeBottom)
            return {badgePicture, p};
    }
    if (x < 218)
        return {logoPicture, {x, y}};
    return black();
}

// A copy onto backImage and onto the window at the same rectangle.
Draw copy(Picture source, QRect from, QRect to)
{
    return {Draw::BitBlt, source, from, to, true};
}

bool runSlide(LogoAnimation &a, int ticks, Canvas *canvas = nullptr)
{
    for (int i = 0; i < ticks; ++i) {
        const LogoAnimation::Step step = a.OnTimer(slideTimer);
        if (canvas && !canvas->apply(step.draws))
            return false;
    }
    return true;
}

bool runOpen(LogoAnimation &a, int ticks, Canvas *canvas = nullptr)
{
    for (int i = 0; i < ticks; ++i) {
        const LogoAnimation::Step step = a.OnTimer(openTimer);
        if (canvas && !canvas->apply(step.draws))
            return false;
    }
    return true;
}

} // namespace

namespace Logo {

// Names a draw in a failed comparison.
char *toString(const Draw &d)
{
    const auto rect = [](QRect r) {
        return QStringLiteral("(%1, %2) %3 x %4")
            .arg(r.x())
            .arg(r.y())
            .arg(r.width())
            .arg(r.height());
    };
    const QString text = d.kind == Draw::FillSolidRect ? QStringLiteral("fill %1").arg(rect(d.to))
                                                       : QStringLiteral("copy picture %1 %2 to %3")
                                                             .arg(int(d.source))
                                                             .arg(rect(d.from), rect(d.to));
    return qstrdup(qPrintable(text + (d.toWindow ? QStringLiteral(", window too") : QString())));
}

} // namespace Logo

class TestLogoAnimation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Creation blacks out the whole back image, not yet the window, and starts the slide.
    void creation()
    {
        LogoAnimation a;
        const LogoAnimation::Step step = a.OnCreate();
        const QList<Draw> fill{{Draw::FillSolidRect, noPicture, {}, QRect(0, 0, 256, 192), false}};
        QCOMPARE(step.draws, fill);
        QCOMPARE(step.killTimer, 0);
        QCOMPARE(step.setTimer, 1);
        QCOMPARE(step.periodMs, 100);
        QCOMPARE(a.logoRows, 0);
        QCOMPARE(a.badgeRows, 0);
    }

    void slide_data()
    {
        QTest::addColumn<int>("tick");
        QTest::addColumn<QRect>("from");
        QTest::addColumn<QRect>("to");
        QTest::addColumn<int>("logoRows");
        QTest::addColumn<bool>("last");

        QTest::newRow("tick 1 draws nothing")
            << 1 << QRect(0, 0, 218, 0) << QRect(0, 192, 218, 0) << 24 << false;
        QTest::newRow("tick 2: top 24 rows on the bottom edge")
            << 2 << QRect(0, 0, 218, 24) << QRect(0, 168, 218, 24) << 48 << false;
        QTest::newRow("tick 3") << 3 << QRect(0, 0, 218, 48) << QRect(0, 144, 218, 48) << 72
                                << false;
        QTest::newRow("tick 4") << 4 << QRect(0, 0, 218, 72) << QRect(0, 120, 218, 72) << 96
                                << false;
        QTest::newRow("tick 5: half way")
            << 5 << QRect(0, 0, 218, 96) << QRect(0, 96, 218, 96) << 120 << false;
        QTest::newRow("tick 6") << 6 << QRect(0, 0, 218, 120) << QRect(0, 72, 218, 120) << 144
                                << false;
        QTest::newRow("tick 7") << 7 << QRect(0, 0, 218, 144) << QRect(0, 48, 218, 144) << 168
                                << false;
        QTest::newRow("tick 8: 192 rows counted is not yet past the end")
            << 8 << QRect(0, 0, 218, 168) << QRect(0, 24, 218, 168) << 192 << false;
        QTest::newRow("tick 9: whole logo, stage over")
            << 9 << QRect(0, 0, 218, 192) << QRect(0, 0, 218, 192) << 216 << true;
    }

    // Stage 1, timer 1: one copy per tick; the ninth stops timer 1 and starts timer 2.
    void slide()
    {
        QFETCH(int, tick);
        QFETCH(QRect, from);
        QFETCH(QRect, to);
        QFETCH(int, logoRows);
        QFETCH(bool, last);

        LogoAnimation a;
        a.OnCreate();
        runSlide(a, tick - 1);
        const LogoAnimation::Step step = a.OnTimer(slideTimer);

        QCOMPARE(step.draws, QList<Draw>{copy(logoPicture, from, to)});
        QCOMPARE(a.logoRows, logoRows);
        QCOMPARE(a.badgeRows, 0);
        QCOMPARE(step.killTimer, last ? 1 : 0);
        QCOMPARE(step.setTimer, last ? 2 : 0);
        QCOMPARE(step.periodMs, last ? 50 : 0);
        QVERIFY(!a.clickEndsDialog());
    }

    void open_data()
    {
        QTest::addColumn<int>("tick");
        QTest::addColumn<QRect>("from");
        QTest::addColumn<QRect>("to");
        QTest::addColumn<int>("badgeRows");
        QTest::addColumn<bool>("last");

        QTest::newRow("tick 1 draws nothing")
            << 1 << QRect(0, 44, 40, 0) << QRect(205, 139, 40, 0) << 2 << false;
        QTest::newRow("tick 2: the two middle rows")
            << 2 << QRect(0, 43, 40, 2) << QRect(205, 138, 40, 2) << 4 << false;
        QTest::newRow("tick 3: one more row above and below")
            << 3 << QRect(0, 42, 40, 4) << QRect(205, 137, 40, 4) << 6 << false;
        QTest::newRow("tick 23: half the rows")
            << 23 << QRect(0, 22, 40, 44) << QRect(205, 117, 40, 44) << 46 << false;
        QTest::newRow("tick 44: 88 rows counted is not yet past the end")
            << 44 << QRect(0, 1, 40, 86) << QRect(205, 96, 40, 86) << 88 << false;
        QTest::newRow("tick 45: whole badge, stage over")
            << 45 << QRect(0, 0, 40, 88) << QRect(205, 95, 40, 88) << 90 << true;
    }

    // Stage 2, timer 2: the band about the badge's middle line grows a row each way per
    // tick; the forty-fifth tick stops timer 2 and starts nothing.
    void open()
    {
        QFETCH(int, tick);
        QFETCH(QRect, from);
        QFETCH(QRect, to);
        QFETCH(int, badgeRows);
        QFETCH(bool, last);

        LogoAnimation a;
        a.OnCreate();
        runSlide(a, 9);
        runOpen(a, tick - 1);
        const LogoAnimation::Step step = a.OnTimer(openTimer);

        QCOMPARE(step.draws, QList<Draw>{copy(badgePicture, from, to)});
        QCOMPARE(a.badgeRows, badgeRows);
        QCOMPARE(a.logoRows, 216);
        QCOMPARE(step.killTimer, last ? 2 : 0);
        QCOMPARE(step.setTimer, 0);
        QCOMPARE(step.periodMs, 0);
    }

    // Each slide tick shows the top rows of the logo on the bottom edge, black above them;
    // after the ninth the whole logo is in place and the rest of the image still black.
    void slideShowsTheLogoRising()
    {
        LogoAnimation a;
        Canvas canvas;
        QVERIFY(canvas.apply(a.OnCreate().draws));
        for (int tick = 1; tick <= 9; ++tick) {
            QVERIFY(runSlide(a, 1, &canvas));
            const int h = (tick - 1) * 24;
            const QString wrong = canvas.firstMismatch([h](int x, int y) -> Canvas::Pixel {
                if (x < 218 && y >= 192 - h)
                    return {logoPicture, {x, y - (192 - h)}};
                return black();
            });
            QVERIFY2(wrong.isEmpty(),
                     qPrintable(QStringLiteral("tick %1: %2").arg(tick).arg(wrong)));
        }
    }

    // Each badge tick adds one row above and one below the band, each in its final place;
    // after the forty-fifth the picture is the final layout.
    void openShowsTheBadgeFromItsMiddle()
    {
        LogoAnimation a;
        Canvas canvas;
        QVERIFY(canvas.apply(a.OnCreate().draws));
        QVERIFY(runSlide(a, 9, &canvas));
        for (int tick = 1; tick <= 45; ++tick) {
            QVERIFY(runOpen(a, 1, &canvas));
            const int h = (tick - 1) * 2;
            const int top = 44 - h / 2, bottom = 43 + h / 2;
            const QString wrong =
                canvas.firstMismatch([=](int x, int y) { return finalLayout(x, y, top, bottom); });
            QVERIFY2(wrong.isEmpty(),
                     qPrintable(QStringLiteral("tick %1: %2").arg(tick).arg(wrong)));
        }
        const QString wrong = canvas.firstMismatch([](int x, int y) { return finalLayout(x, y); });
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // The whole run as the dialog's timers drive it: each step's timer changes decide which
    // timer ticks next, until none is left running.
    void wholeRun()
    {
        LogoAnimation a;
        LogoAnimation::Step step = a.OnCreate();
        int running = 0;
        int period = 0;
        QList<int> ticks; // the timer id of every tick, in order
        int elapsedMs = 0;
        for (;;) {
            if (step.killTimer == running)
                running = 0;
            if (step.setTimer) {
                running = step.setTimer;
                period = step.periodMs;
            }
            if (!running || ticks.size() > 100)
                break;
            elapsedMs += period;
            ticks.append(running);
            step = a.OnTimer(running);
        }
        QCOMPARE(ticks.count(1), 9);
        QCOMPARE(ticks.count(2), 45);
        QCOMPARE(ticks.indexOf(2), 9);
        QCOMPARE(elapsedMs, 3150);
        QCOMPARE(a.logoRows, 216);
        QCOMPARE(a.badgeRows, 90);
        QVERIFY(a.clickEndsDialog());
    }

    void clickAfterTicks_data()
    {
        QTest::addColumn<int>("slideTicks");
        QTest::addColumn<int>("openTicks");
        QTest::addColumn<bool>("ends");

        QTest::newRow("before the first tick") << 0 << 0 << false;
        QTest::newRow("mid slide") << 4 << 0 << false;
        QTest::newRow("slide over, no badge tick yet") << 9 << 0 << false;
        QTest::newRow("badge tick 1") << 9 << 1 << false;
        QTest::newRow("badge tick 44: one tick short") << 9 << 44 << false;
        QTest::newRow("badge tick 45: finished") << 9 << 45 << true;
    }

    // Only the forty-fifth badge tick, the last of the animation, lets a click end it.
    void clickAfterTicks()
    {
        QFETCH(int, slideTicks);
        QFETCH(int, openTicks);
        QFETCH(bool, ends);

        LogoAnimation a;
        a.OnCreate();
        runSlide(a, slideTicks);
        runOpen(a, openTicks);
        QCOMPARE(a.clickEndsDialog(), ends);
    }

    void clickRule_data()
    {
        QTest::addColumn<int>("logoRows");
        QTest::addColumn<int>("badgeRows");
        QTest::addColumn<bool>("ends");

        QTest::newRow("badge rows 88") << 216 << 88 << false;
        QTest::newRow("badge rows 89") << 216 << 89 << true;
        QTest::newRow("badge rows 90") << 216 << 90 << true;
        QTest::newRow("logo past its end, badge not started") << 216 << 0 << false;
        QTest::newRow("only the badge count matters") << 0 << 90 << true;
    }

    // The rule reads badgeRows alone: greater than the badge's 88 rows.
    void clickRule()
    {
        QFETCH(int, logoRows);
        QFETCH(int, badgeRows);
        QFETCH(bool, ends);

        LogoAnimation a;
        a.logoRows = logoRows;
        a.badgeRows = badgeRows;
        QCOMPARE(a.clickEndsDialog(), ends);
    }

    void otherTimers_data()
    {
        QTest::addColumn<int>("id");

        QTest::newRow("id 0") << 0;
        QTest::newRow("id 3") << 3;
        QTest::newRow("id -1") << -1;
    }

    // Ids other than 1 and 2 do nothing, in either stage.
    void otherTimers()
    {
        QFETCH(int, id);

        for (int slideTicks : {0, 9}) {
            LogoAnimation a;
            a.OnCreate();
            runSlide(a, slideTicks);
            const int logoRows = a.logoRows;
            const LogoAnimation::Step step = a.OnTimer(id);
            QVERIFY(step.draws.isEmpty());
            QCOMPARE(step.killTimer, 0);
            QCOMPARE(step.setTimer, 0);
            QCOMPARE(a.logoRows, logoRows);
            QCOMPARE(a.badgeRows, 0);
        }
    }
};

QTEST_APPLESS_MAIN(TestLogoAnimation)
#include "tst_logoanimation.moc"
