#include "faceplacement.h"
#include "facewindow.h"

#include <QTest>

#include <climits>

using Screens = QList<FacePlacement::Screen>;
Q_DECLARE_METATYPE(Screens)

class TestFacePlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void place_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<Screens>("screens"); // (whole, free) each
        QTest::addColumn<QPoint>("placed");
        const QRect one(0, 0, 1280, 1024), two(1280, 0, 1280, 1024), wide(1280, 0, 1920, 1080);
        const Screens single{{one, one}}, both{{one, one}, {two, two}};
        const Screens panel{{one, QRect(0, 30, 1280, 994)}}, unlike{{one, one}, {wide, wide}};
        auto row = [](const char *name, QPoint at, const Screens &s, QPoint placed) {
            QTest::newRow(name) << at << s << placed;
        };
        row("off to the right", {2000, 150}, single, {1123, 150});
        row("off the bottom", {200, 1100}, single, {200, 888});
        row("off to the left", {-300, 150}, single, {0, 150});
        row("off the top", {200, -500}, single, {200, 0});
        row("(-40,-30) kept", {-40, -30}, single, {-40, -30});
        row("partly off, the button row whole: kept", {1155, 899}, single, {1155, 899});
        row("the quit button's last column off", {1156, 899}, single, {1123, 888});
        row("the button row shows, not a quarter", {200, -109}, single, {200, 0});
        row("beyond any screen's arithmetic", {INT_MAX, INT_MIN}, single, {1123, 0});
        row("under a panel: kept", {-40, -30}, panel, {-40, -30});
        row("rescued below a panel", {200, -500}, panel, {200, 30});
        row("on the second of two: kept", {1500, 150}, both, {1500, 150});
        row("the second removed", {1500, 150}, single, {1123, 150});
        row("the nearest of two screens", {5000, 2000}, unlike, {3043, 944});
    }

    void place()
    {
        QFETCH(QPoint, at);
        QFETCH(Screens, screens);
        QFETCH(QPoint, placed);
        const QSize face(FaceWindow::windowWidth, FaceWindow::windowHeight);
        const QRect buttonRow = Skin::buttonRow.translated(FaceWindow::faceOrigin);
        QCOMPARE(FacePlacement::place(at, face, buttonRow, screens), placed);
    }
};

QTEST_APPLESS_MAIN(TestFacePlacement)
#include "tst_faceplacement.moc"
