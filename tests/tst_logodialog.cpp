#include "dialogunits.h"
#include "logodialog.h"

#include <QElapsedTimer>
#include <QMap>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>
#include <map>
#include <memory>

namespace {

// The animation's state as (logoRows, badgeRows).
using State = QPoint;

State stateOf(const LogoDialog &dialog)
{
    return {dialog.animation().logoRows, dialog.animation().badgeRows};
}

bool finished(const LogoDialog &dialog)
{
    return stateOf(dialog) == State(216, 90);
}

QImage art(const char *file)
{
    return QImage(QStringLiteral(":/art/") + QLatin1String(file))
        .convertToFormat(QImage::Format_RGB32);
}

// The client area as the animation should have left it: black, the top `logoShown` rows of
// the logo standing on the bottom edge, and the badge's `badgeBand` in its place over it.
QImage expectedPicture(int logoShown, QRect badgeBand)
{
    QImage picture(256, 192, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter p(&picture);
    if (logoShown > 0)
        p.drawImage(QPoint(0, 192 - logoShown), art("logo.png").copy(0, 0, 218, logoShown));
    if (!badgeBand.isEmpty())
        p.drawImage(QPoint(205, 95) + badgeBand.topLeft(), art("badge.png").copy(badgeBand));
    return picture;
}

QImage clientPixels(const QImage &grabbed)
{
    return grabbed.copy(LogoDialog::clientRect()).convertToFormat(QImage::Format_RGB32);
}

QString firstDifference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1 x %2").arg(actual.width()).arg(actual.height());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("pixel (%1, %2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(actual.pixel(x, y), 8, 16)
                    .arg(expected.pixel(x, y), 8, 16);
    return {};
}

void click(LogoDialog &dialog, QPoint at)
{
    QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {}, at);
}

const QPoint inClient = LogoDialog::clientRect().center();
// Rows that need only the order of ticks run at a tenth of the real periods.
constexpr int fastPercent = 10;

// The face the dialog belongs to: a frameless window somewhere on the screen.
struct Parent {
    Parent() : window(nullptr, Qt::FramelessWindowHint)
    {
        window.setGeometry(60, 40, 157, 136);
        window.show();
    }
    QWidget window;
};

// Runs a dialog modally. `beforeTick` runs before every tick of its timers, when the state
// is what the previous tick left; `act` runs once, as soon as `ready` holds, checked before
// every tick and every 10 ms, and may end the dialog, whereupon the tick it came before is
// dropped. A dialog still open after 8 s is ended with -1, so a fault fails rather than hangs.
class Driver : public QObject
{
public:
    explicit Driver(LogoDialog &dialog) : dialog(dialog) { dialog.installEventFilter(this); }

    std::function<void()> beforeTick;
    std::function<bool()> ready = [] { return false; };
    std::function<void()> act;

    QList<State> states;         // before every tick, in order
    QList<qint64> tickTimes;     // of those ticks, in ms from the start of exec()
    QList<QRegion> paintRegions; // of every paint event outside a grab, with...
    QList<State> paintStates;    // ...the state it showed
    bool grabbing = false;

    int exec()
    {
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, &Driver::tryAct);
        poll.start(10);
        QTimer::singleShot(8000, &dialog, [this] { dialog.done(-1); });
        clock.start();
        return dialog.exec();
    }

    QImage grab()
    {
        grabbing = true;
        const QImage image = dialog.grab().toImage();
        grabbing = false;
        return image;
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !grabbing) {
            paintRegions.append(static_cast<QPaintEvent *>(event)->region());
            paintStates.append(stateOf(dialog));
        }
        if (event->type() != QEvent::Timer)
            return false;
        // Every tick changes the state, so a repeat is some other timer.
        if (!states.isEmpty() && states.last() == stateOf(dialog))
            return false;
        states.append(stateOf(dialog));
        tickTimes.append(clock.elapsed());
        if (beforeTick)
            beforeTick();
        tryAct();
        return !dialog.isVisible();
    }

private:
    void tryAct()
    {
        if (acted || !dialog.isVisible() || !ready())
            return;
        acted = true;
        act();
    }

    LogoDialog &dialog;
    QElapsedTimer clock;
    bool acted = false;
};

// One whole run, recorded once and read by several tests: a click before every tick, grabs
// at a few moments, then on the finished picture other input and a left click inside.
struct RecordedRun {
    Parent parent;
    LogoDialog dialog{&parent.window};
    Driver driver{dialog};
    std::map<std::pair<int, int>, QImage> grabs; // by (logoRows, badgeRows)
    int clicksBeforeTicks = 0;
    bool closedByAnEarlyClick = false;
    QMap<QString, bool> openAfter; // inputs tried on the finished picture
    int result = -2;

    void run()
    {
        const QList<State> moments{{0, 0},   {24, 0},   {120, 0}, {216, 0},
                                   {216, 2}, {216, 46}, {216, 90}};
        const auto grabIfWanted = [&] {
            const State s = stateOf(dialog);
            if (moments.contains(s))
                grabs[{s.x(), s.y()}] = driver.grab();
        };
        driver.beforeTick = [&] {
            grabIfWanted();
            click(dialog, inClient);
            ++clicksBeforeTicks;
            closedByAnEarlyClick = closedByAnEarlyClick || !dialog.isVisible();
        };
        driver.ready = [&] { return finished(dialog); };
        driver.act = [&] {
            grabIfWanted();
            QWindow *window = dialog.windowHandle();
            const QList<std::pair<QString, std::function<void()>>> inputs{
                {QStringLiteral("left click on the frame"), [&] { click(dialog, QPoint(1, 1)); }},
                {QStringLiteral("right click"),
                 [&] { QTest::mouseClick(window, Qt::RightButton, {}, inClient); }},
                {QStringLiteral("middle click"),
                 [&] { QTest::mouseClick(window, Qt::MiddleButton, {}, inClient); }},
                {QStringLiteral("letter key"), [&] { QTest::keyClick(window, Qt::Key_A); }},
                {QStringLiteral("space"), [&] { QTest::keyClick(window, Qt::Key_Space); }},
            };
            for (const auto &[name, input] : inputs) {
                input();
                openAfter[name] = dialog.isVisible();
                if (!dialog.isVisible())
                    return;
            }
            click(dialog, inClient);
        };
        result = driver.exec();
    }
};

std::unique_ptr<RecordedRun> recorded;

} // namespace

class TestLogoDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        recorded = std::make_unique<RecordedRun>();
        recorded->run();
    }

    void cleanupTestCase() { recorded.reset(); }

    // Nine ticks of timer 1, then forty-five of timer 2, each from the state the last left.
    void ticksInOrder()
    {
        QList<State> expected;
        for (int h = 0; h <= 192; h += 24)
            expected.append({h, 0});
        for (int h = 0; h <= 88; h += 2)
            expected.append({216, h});
        QCOMPARE(recorded->driver.states, expected);
        QCOMPARE(stateOf(recorded->dialog), State(216, 90));
    }

    // Timer 1 every 100 ms from creation, timer 2 every 50 ms after it.
    void tickPeriods()
    {
        const QList<qint64> &t = recorded->driver.tickTimes;
        QCOMPARE(t.size(), 54);
        const qint64 slide = t.at(8) - t.at(0); // 8 periods of timer 1
        const qint64 open = t.at(53) - t.at(9); // 44 periods of timer 2
        QVERIFY2(t.at(0) >= 90, qPrintable(QString::number(t.at(0))));
        QVERIFY2(slide >= 720 && slide < 8 * 150, qPrintable(QString::number(slide)));
        QVERIFY2(open >= 44 * 45 && open < 44 * 80, qPrintable(QString::number(open)));
    }

    // A click before any tick, up to the one that shows the whole badge, does nothing; on
    // the finished picture the first left click inside ends it with 0.
    void clickRule()
    {
        QCOMPARE(recorded->clicksBeforeTicks, 54);
        QVERIFY(!recorded->closedByAnEarlyClick);
        QCOMPARE(recorded->result, 0);
        QVERIFY(!recorded->dialog.isVisible());
    }

    void otherInputWhenFinished_data()
    {
        QTest::addColumn<QString>("input");

        QTest::newRow("left click on the frame") << QStringLiteral("left click on the frame");
        QTest::newRow("right click") << QStringLiteral("right click");
        QTest::newRow("middle click") << QStringLiteral("middle click");
        QTest::newRow("letter key") << QStringLiteral("letter key");
        QTest::newRow("space") << QStringLiteral("space");
    }

    // Only a left click in the picture ends the finished dialog, besides Enter and Esc.
    void otherInputWhenFinished()
    {
        QFETCH(QString, input);
        QVERIFY(recorded->openAfter.contains(input));
        QVERIFY2(recorded->openAfter.value(input), "ended the dialog");
    }

    void picture_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<int>("logoShown");
        QTest::addColumn<QRect>("badgeBand");

        QTest::newRow("created: black") << State(0, 0) << 0 << QRect();
        QTest::newRow("slide tick 1 draws nothing") << State(24, 0) << 0 << QRect();
        QTest::newRow("slide tick 5: top 96 rows") << State(120, 0) << 96 << QRect();
        QTest::newRow("slide over: whole logo") << State(216, 0) << 192 << QRect();
        QTest::newRow("badge tick 1 draws nothing") << State(216, 2) << 192 << QRect();
        QTest::newRow("badge tick 23: middle 44 rows")
            << State(216, 46) << 192 << QRect(0, 22, 40, 44);
        QTest::newRow("finished: logo and badge") << State(216, 90) << 192 << QRect(0, 0, 40, 88);
    }

    // A repaint at any moment shows what has been drawn so far, the rest black, in a client
    // area of exactly 256 x 192 inside the frame.
    void picture()
    {
        QFETCH(State, state);
        QFETCH(int, logoShown);
        QFETCH(QRect, badgeBand);

        const auto found = recorded->grabs.find({state.x(), state.y()});
        QVERIFY(found != recorded->grabs.end());
        const QImage &grabbed = found->second;
        QCOMPARE(grabbed.size(), QSize(262, 198));
        const QString wrong =
            firstDifference(clientPixels(grabbed), expectedPicture(logoShown, badgeBand));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    void repaints_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<QRect>("region");

        QTest::newRow("slide tick 1: nothing") << State(24, 0) << QRect();
        QTest::newRow("slide tick 2: the bottom 24 rows") << State(48, 0) << QRect(3, 171, 218, 24);
        QTest::newRow("slide tick 9: the whole logo") << State(216, 0) << QRect(3, 3, 218, 192);
        QTest::newRow("badge tick 1: nothing") << State(216, 2) << QRect();
        QTest::newRow("badge tick 2: the two middle rows")
            << State(216, 4) << QRect(208, 141, 40, 2);
        QTest::newRow("badge tick 45: the whole badge") << State(216, 90) << QRect(208, 98, 40, 88);
    }

    // Each tick repaints the window at exactly the rectangle it drew into backImage.
    void repaints()
    {
        QFETCH(State, state);
        QFETCH(QRect, region);

        QRegion painted;
        const Driver &d = recorded->driver;
        for (qsizetype i = 0; i < d.paintStates.size(); ++i)
            if (d.paintStates.at(i) == state)
                painted += d.paintRegions.at(i);
        QCOMPARE(painted, QRegion(region));
    }

    void doublesPixels_data()
    {
        QTest::addColumn<int>("scale");

        QTest::newRow("scale 1") << 1;
        QTest::newRow("scale 2") << 2;
        QTest::newRow("scale 3") << 3;
    }

    // On a screen with a whole scale factor every picture pixel becomes a square block of
    // the same colour: never smoothed into its neighbours.
    void doublesPixels()
    {
        QFETCH(int, scale);

        LogoDialog &dialog = recorded->dialog;
        QImage rendered(dialog.size() * scale, QImage::Format_RGB32);
        rendered.setDevicePixelRatio(scale);
        rendered.fill(Qt::white);
        dialog.render(&rendered);

        const QImage expected = expectedPicture(192, QRect(0, 0, 40, 88));
        const QPoint origin = LogoDialog::clientOrigin * scale;
        for (int y = 0; y < 192 * scale; ++y)
            for (int x = 0; x < 256 * scale; ++x)
                if (rendered.pixel(origin + QPoint(x, y)) != expected.pixel(x / scale, y / scale))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
    }

    void keysClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<State>("at");
        QTest::addColumn<int>("result");

        const int ok = QDialog::Accepted;
        const int cancel = QDialog::Rejected;
        QTest::newRow("Esc before the first tick") << int(Qt::Key_Escape) << State(0, 0) << cancel;
        QTest::newRow("Return before the first tick") << int(Qt::Key_Return) << State(0, 0) << ok;
        QTest::newRow("Esc mid slide") << int(Qt::Key_Escape) << State(96, 0) << cancel;
        QTest::newRow("keypad Enter mid slide") << int(Qt::Key_Enter) << State(96, 0) << ok;
        QTest::newRow("Esc mid badge") << int(Qt::Key_Escape) << State(216, 10) << cancel;
        QTest::newRow("Return mid badge") << int(Qt::Key_Return) << State(216, 10) << ok;
        QTest::newRow("Esc when finished") << int(Qt::Key_Escape) << State(216, 90) << cancel;
        QTest::newRow("Return when finished") << int(Qt::Key_Return) << State(216, 90) << ok;
    }

    // Enter and Esc end the dialog in every state, and no tick comes after.
    void keysClose()
    {
        QFETCH(int, key);
        QFETCH(State, at);
        QFETCH(int, result);

        Parent parent;
        LogoDialog dialog(&parent.window, fastPercent);
        Driver driver(dialog);
        State stateAtKey(-1, -1);
        driver.ready = [&] { return stateOf(dialog) == at; };
        driver.act = [&] {
            stateAtKey = stateOf(dialog);
            QTest::keyClick(dialog.windowHandle(), Qt::Key(key));
        };

        QCOMPARE(driver.exec(), result);
        QCOMPARE(stateAtKey, at);
        QVERIFY(!dialog.isVisible());
        QTest::qWait(3 * Logo::slideMs * fastPercent / 100);
        QCOMPARE(stateOf(dialog), at);
    }

    // A new dialog plays from the start on a black picture, whatever the last one reached.
    void secondDialogReplays()
    {
        Parent parent;
        {
            LogoDialog first(&parent.window, fastPercent);
            Driver driver(first);
            driver.ready = [&] { return stateOf(first) == State(216, 4); };
            driver.act = [&] { QTest::keyClick(first.windowHandle(), Qt::Key_Escape); };
            QCOMPARE(driver.exec(), int(QDialog::Rejected));
        }
        LogoDialog second(&parent.window, fastPercent);
        Driver driver(second);
        QImage atFirstTick, atThirdTick;
        driver.beforeTick = [&] {
            if (driver.states.size() == 1)
                atFirstTick = driver.grab();
            if (driver.states.size() == 3)
                atThirdTick = driver.grab();
        };
        // States grow only before ticks, so the key comes just before the fourth.
        driver.ready = [&] { return driver.states.size() == 4; };
        driver.act = [&] { QTest::keyClick(second.windowHandle(), Qt::Key_Escape); };
        QCOMPARE(driver.exec(), int(QDialog::Rejected));

        QCOMPARE(driver.states, (QList<State>{{0, 0}, {24, 0}, {48, 0}, {72, 0}}));
        QString wrong = firstDifference(clientPixels(atFirstTick), expectedPicture(0, QRect()));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        wrong = firstDifference(clientPixels(atThirdTick), expectedPicture(24, QRect()));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // No caption and no system menu, the dialog font, centred in the screen's work area.
    void window()
    {
        Parent parent;
        LogoDialog dialog(&parent.window);
        dialog.show();
        QCOMPARE(dialog.windowType(), Qt::Dialog);
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(!flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(dialog.windowTitle().isEmpty());
        QCOMPARE(dialog.font(), DialogUnits::dialogFont());

        QCOMPARE(LogoDialog::clientRect(), QRect(3, 3, 256, 192));
        QCOMPARE(dialog.size(), QSize(262, 198));
        const QRect area = parent.window.screen()->availableGeometry();
        QCOMPARE(dialog.frameGeometry().center(), area.center());
    }
};

QTEST_MAIN(TestLogoDialog)
#include "tst_logodialog.moc"
