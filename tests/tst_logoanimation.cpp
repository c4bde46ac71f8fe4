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
            // Outside the image, or a copy the window would not show.
            if (!QRect(QPoint(0, 0), imageSize).contains(d.to) ||
                (d.kind == Draw::BitBlt && !d.toWindow))
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

bool run(LogoAnimation &a, int id, int ticks, Canvas *canvas = nullptr)
{
    for (int i = 0; i < ticks; ++i) {
        const LogoAnimation::Step step = a.OnTimer(id);
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

    // Each slide tick shows the top rows of the logo on the bottom edge, black above them;
    // after the ninth the whole logo is in place and the rest of the image still black.
    void slideShowsTheLogoRising()
    {
        LogoAnimation a;
        Canvas canvas;
        QVERIFY(canvas.apply(a.OnCreate().draws));
        for (int tick = 1; tick <= 9; ++tick) {
            QVERIFY(run(a, slideTimer, 1, &canvas));
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
        QVERIFY(run(a, slideTimer, 9, &canvas));
        for (int tick = 1; tick <= 45; ++tick) {
            QVERIFY(run(a, openTimer, 1, &canvas));
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
            run(a, slideTimer, slideTicks);
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
