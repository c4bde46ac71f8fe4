#include "faceplacement.h"
#include "facewindow.h"

#include <QTest>

#include <climits>

using FacePlacement::Screen;

class TestFacePlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void place_data()
    {
        // Screens as (whole, free); the face is placed as the window places it.
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QList<QRect>>("screens");
        QTest::addColumn<QPoint>("placed");
        const QRect one(0, 0, 1280, 1024), second(1280, 0, 1280, 1024), panel(0, 30, 1280, 994);
        const QList<QRect> single{one, one}, both{one, one, second, second};
        QTest::newRow("off to the right") << QPoint(2000, 150) << single << QPoint(1123, 150);
        QTest::newRow("off the bottom") << QPoint(200, 1100) << single << QPoint(200, 888);
        QTest::newRow("off to the left") << QPoint(-300, 150) << single << QPoint(0, 150);
        QTest::newRow("off the top") << QPoint(200, -500) << single << QPoint(200, 0);
        QTest::newRow("a 15-pixel sliver") << QPoint(1265, 150) << single << QPoint(1123, 150);
        QTest::newRow("(-40,-30) kept") << QPoint(-40, -30) << single << QPoint(-40, -30);
        QTest::newRow("partly off, the quit button whole: kept")
            << QPoint(1155, 899) << single << QPoint(1155, 899);
        QTest::newRow("the quit button's last column off") << QPoint(1156, 899) << single
                                                           << QPoint(1123, 888);
        QTest::newRow("the button row's last line off") << QPoint(1155, 900) << single
                                                        << QPoint(1123, 888);
        QTest::newRow("the button row shows, less than a quarter")
            << QPoint(200, -109) << single << QPoint(200, 0);
        QTest::newRow("beyond any screen's arithmetic")
            << QPoint(INT_MAX, INT_MIN) << single << QPoint(1123, 0);
        QTest::newRow("under a panel: kept") << QPoint(-40, -30) << QList<QRect>{one, panel}
                                             << QPoint(-40, -30);
        QTest::newRow("rescued below a panel") << QPoint(200, -500) << QList<QRect>{one, panel}
                                               << QPoint(200, 30);
        QTest::newRow("on the second of two") << QPoint(1500, 150) << both << QPoint(1500, 150);
        QTest::newRow("across both: kept") << QPoint(1200, 150) << both << QPoint(1200, 150);
        QTest::newRow("the second removed") << QPoint(1500, 150) << single << QPoint(1123, 150);
        QTest::newRow("the nearest of two screens")
            << QPoint(5000, 2000) << QList<QRect>{one, one, QRect(1280, 0, 1920, 1080), QRect(1280, 0, 1920, 1080)}
            << QPoint(3043, 944);
        QTest::newRow("1280 wide at scale 1.5") << QPoint(1000, 150)
                                                << QList<QRect>{{0, 0, 853, 683}, {0, 0, 853, 683}}
                                                << QPoint(696, 150);
    }

    void place()
    {
        QFETCH(QPoint, at);
        QFETCH(QList<QRect>, screens);
        QFETCH(QPoint, placed);
        QList<Screen> given;
        for (qsizetype i = 0; i + 1 < screens.size(); i += 2)
            given.append({screens[i], screens[i + 1]});
        const QSize face(FaceWindow::windowWidth, FaceWindow::windowHeight);
        QCOMPARE(FacePlacement::place(at, face, Skin::buttonRow.translated(FaceWindow::faceOrigin),
                                      given),
                 placed);
    }
};

QTEST_APPLESS_MAIN(TestFacePlacement)
#include "tst_faceplacement.moc"
