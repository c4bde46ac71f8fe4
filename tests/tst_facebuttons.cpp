#include "facebuttons.h"
#include "facekeys.h"

#include "recordinghost.h"

#include <QTest>

using namespace FaceButtons;
using namespace Skin;

Q_DECLARE_METATYPE(FaceButtons::Action)

namespace {

// The buttons of a skin that the copies so far left lit, by index.
QList<int> litButtons(const RecordingHost &host, bool ringing)
{
    std::map<int, bool> lit;
    for (const auto &c : host.copies)
        if ((c.target == Buffer::Ringing) == ringing)
            lit[ringing ? c.dest.x() / 66 : (c.dest.x() - 37) / 22] =
                c.source == buttonStripLit || c.source == stopButtonLit;
    QList<int> on;
    for (const auto &[k, isLit] : lit)
        on.append(isLit ? QList{k} : QList<int>{});
    return on;
}

} // namespace

class TestFaceButtons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hitTest_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("normal");
        QTest::addColumn<int>("ringing");
        QTest::newRow("alarm, first column") << QPoint(37, 110) << 0 << 0;
        QTest::newRow("55: one column past the image still hits") << QPoint(55, 110) << 0 << 0;
        QTest::newRow("56: gap, but the stop button") << QPoint(56, 110) << -1 << 0;
        QTest::newRow("options") << QPoint(59, 106) << 1 << 0;
        QTest::newRow("78: gap") << QPoint(78, 121) << -1 << 0;
        QTest::newRow("logo, last column") << QPoint(99, 110) << 2 << 0;
        QTest::newRow("100: gap on both skins") << QPoint(100, 110) << -1 << -1;
        QTest::newRow("102: gap on both skins") << QPoint(102, 110) << -1 << -1;
        QTest::newRow("quit") << QPoint(103, 110) << 3 << 1;
        QTest::newRow("121: quit's last column") << QPoint(121, 110) << 3 << 1;
        QTest::newRow("122: past quit") << QPoint(122, 110) << -1 << -1;
        QTest::newRow("row 105: above the band") << QPoint(40, 105) << -1 << -1;
        QTest::newRow("row 122: below the band") << QPoint(40, 122) << -1 << -1;
        QTest::newRow("left of the window") << QPoint(-60, 110) << -1 << -1;
        QTest::newRow("above the window") << QPoint(40, -110) << -1 << -1;
        QTest::newRow("36: left of the first button") << QPoint(36, 110) << -1 << -1;
    }

    void hitTest()
    {
        QFETCH(QPoint, at);
        QFETCH(int, normal);
        QFETCH(int, ringing);
        QCOMPARE(FaceButtons::hitTest(at.x(), at.y()), (Hit{normal, ringing}));
    }

    void pressAction_data()
    {
        QTest::addColumn<bool>("ringing");
        QTest::addColumn<int>("hoverNormal");
        QTest::addColumn<int>("hoverRinging");
        QTest::addColumn<Action>("action");
        QTest::newRow("alarm") << false << 0 << 0 << Action::OpenAlarms;
        QTest::newRow("options") << false << 1 << 0 << Action::OpenOptions;
        QTest::newRow("logo") << false << 2 << 0 << Action::OpenLogo;
        QTest::newRow("quit") << false << 3 << 1 << Action::Quit;
        QTest::newRow("no button: drag") << false << -1 << 0 << Action::BeginDrag;
        QTest::newRow("ringing: stop") << true << 1 << 0 << Action::StopRinging;
        QTest::newRow("ringing: quit") << true << 3 << 1 << Action::Quit;
        QTest::newRow("ringing: gap drags though a normal button is lit")
            << true << 0 << -1 << Action::BeginDrag;
        QTest::newRow("normal: the stop button cannot be pressed")
            << false << -1 << 0 << Action::BeginDrag;
    }

    void pressAction()
    {
        QFETCH(bool, ringing);
        QFETCH(int, hoverNormal);
        QFETCH(int, hoverRinging);
        QFETCH(Action, action);
        QCOMPARE(FaceButtons::pressAction(ringing, hoverNormal, hoverRinging), action);
    }

    // A letter a step: R Right, L Left, T Tab, b Shift+Tab, E Return, _ Space, s S, c Ctrl+Right;
    // p the pointer onto the bell, o off it; d the face loses the keyboard, a regains it.
    void keys_data()
    {
        QTest::addColumn<bool>("ringing");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("lit"); // the showing skin's, after the steps
        QTest::addColumn<int>("action");     // of the last key; -1 none, -2 not the face's key
        // clang-format off
        QTest::newRow("Right twice: the tools") << false << "RR" << QList{1} << -1;
        QTest::newRow("Left from none wraps") << false << "L" << QList{3} << -1;
        QTest::newRow("Tab, Tab, Shift+Tab") << false << "TTb" << QList{0} << -1;
        QTest::newRow("Return presses") << false << "RRE" << QList{1} << int(Action::OpenOptions);
        QTest::newRow("Return on none") << false << "E" << QList<int>{} << -2;
        QTest::newRow("Ctrl+Right") << false << "c" << QList<int>{} << -2;
        QTest::newRow("ringing: stop") << true << "R_" << QList{0} << int(Action::StopRinging);
        QTest::newRow("ringing: S snoozes") << true << "s" << QList<int>{} << int(Action::Snooze);
        QTest::newRow("hovered and focused") << false << "pRR" << QList{0, 1} << -1;
        QTest::newRow("pointer leaves focus") << false << "Rpo" << QList{0} << -1;
        QTest::newRow("keyboard back") << false << "RRda" << QList{1} << -1;
        QTest::newRow("lost under pointer") << false << "Rpd" << QList{0} << -1;
        // clang-format on
    }

    void keys()
    {
        QFETCH(bool, ringing);
        QFETCH(QString, steps);
        QFETCH(QList<int>, lit);
        QFETCH(int, action);
        RecordingHost host;
        Hover hover(host);
        FaceKeys keys(host, hover);
        const std::map<QChar, std::pair<int, Qt::KeyboardModifiers>> press = {
            {u'R', {Qt::Key_Right, {}}},  {u'L', {Qt::Key_Left, {}}},
            {u'T', {Qt::Key_Tab, {}}},    {u'b', {Qt::Key_Backtab, Qt::ShiftModifier}},
            {u'E', {Qt::Key_Return, {}}}, {u'_', {Qt::Key_Space, {}}},
            {u's', {Qt::Key_S, {}}},      {u'c', {Qt::Key_Right, Qt::ControlModifier}}};
        FaceKeys::Answer last;
        for (QChar step : steps) {
            if (step == u'p' || step == u'o')
                hover.move(40, step == u'p' ? 110 : 50, ringing);
            else if (step == u'd' || step == u'a')
                keys.setActive(step == u'a', ringing);
            else
                last = keys.key(press.at(step).first, press.at(step).second, ringing);
        }
        QCOMPARE(litButtons(host, ringing), lit);
        QCOMPARE(last.press ? int(*last.press) : last.taken ? -1 : -2, action);
    }

    void movingFromButtonToButtonSwapsTheLightInOneMove()
    {
        RecordingHost host;
        Hover hover(host);
        QCOMPARE(hover.move(40, 110, false), Pointer::Hand);
        host.copies.clear();
        QCOMPARE(hover.move(60, 110, false), Pointer::Hand);
        // Normal skin: button 0 out, button 1 lit, both on the window. Ringing skin: the
        // stop button stays lit, nothing drawn there.
        QCOMPARE(host.copies.size(), 2);
        QCOMPARE(host.copies[0].source, buttonStrip);
        QCOMPARE(host.copies[0].dest, QRect(buttonAt(0), buttonSize));
        QCOMPARE(host.copies[1].source, buttonStripLit);
        QCOMPARE(host.copies[1].sourceAt, buttonCell(1));
        QCOMPARE(host.copies[1].dest, QRect(buttonAt(1), buttonSize));
        QVERIFY(host.copies[0].toWindow && host.copies[1].toWindow);
        QCOMPARE(hover.hoverNormal, 1);
        QCOMPARE(hover.hoverRinging, 0);
    }

    void sameButtonAgainDrawsNothing()
    {
        RecordingHost host;
        Hover hover(host);
        hover.move(40, 110, false);
        host.copies.clear();
        QCOMPARE(hover.move(45, 115, false), Pointer::Keep);
        QCOMPARE(host.copies.size(), 0);
    }

    void whileRingingOnlyTheHiddenNormalBufferChanges()
    {
        RecordingHost host;
        Hover hover(host);
        // A gap of the ringing skin that is a normal button: only faceNormal, not the window.
        QCOMPARE(hover.move(106, 110, true), Pointer::Hand); // quit on both skins
        host.copies.clear();
        QCOMPARE(hover.move(82, 110, true), Pointer::Hand); // logo (normal), stop (ringing)
        QList<QString> seen;
        for (const auto &c : host.copies)
            seen.append(QStringLiteral("%1 %2 %3 %4")
                            .arg(c.target == Buffer::Normal ? "normal" : "ringing")
                            .arg(c.source)
                            .arg(c.dest.x())
                            .arg(c.toWindow ? "window" : "buffer"));
        QCOMPARE(seen, (QList<QString>{QStringLiteral("normal %1 103 buffer").arg(buttonStrip),
                                       QStringLiteral("normal %1 81 buffer").arg(buttonStripLit),
                                       QStringLiteral("ringing %1 103 window").arg(buttonStrip),
                                       QStringLiteral("ringing %1 37 window").arg(stopButtonLit)}));
    }

    void leavingAButtonGivesTheArrow_data()
    {
        QTest::addColumn<bool>("ringing");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<int>("pointer");
        QTest::newRow("normal: button to face")
            << false << QPoint(40, 110) << QPoint(40, 50) << int(Pointer::Arrow);
        QTest::newRow("normal: into the gap")
            << false << QPoint(40, 110) << QPoint(57, 110) << int(Pointer::Arrow);
        // While ringing the gap column 57 is still the stop button: the hand stays.
        QTest::newRow("ringing: into a normal gap")
            << true << QPoint(40, 110) << QPoint(57, 110) << int(Pointer::Keep);
        QTest::newRow("ringing: out of the stop button")
            << true << QPoint(40, 110) << QPoint(101, 110) << int(Pointer::Arrow);
    }

    void leavingAButtonGivesTheArrow()
    {
        QFETCH(bool, ringing);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(int, pointer);
        RecordingHost host;
        Hover hover(host);
        hover.move(from.x(), from.y(), ringing);
        QCOMPARE(int(hover.move(to.x(), to.y(), ringing)), pointer);
    }
};

QTEST_APPLESS_MAIN(TestFaceButtons)
#include "tst_facebuttons.moc"
