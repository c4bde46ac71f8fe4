#include "alarmmessagedialog.h"
#include "dialogunits.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

constexpr int interval = AlarmMessageDialog::typingIntervalMs;

QPlainTextEdit *boxOf(const QDialog &dialog)
{
    return dialog.findChild<QPlainTextEdit *>();
}

// The face the popup belongs to: a frameless top-level window somewhere on the screen.
struct Parent {
    Parent() : window(nullptr, Qt::FramelessWindowHint)
    {
        window.setGeometry(200, 150, 157, 136);
        window.show();
    }
    QWidget window;
};

// Runs the popup modally; once `ready` holds, `act` runs inside the modal loop and must
// close it. A popup still open a few seconds later is ended with -1, so a fault fails the
// test rather than hanging it.
int runModal(AlarmMessageDialog &dialog, const std::function<bool()> &ready,
             const std::function<void()> &act)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
        if (ready()) {
            poll.stop();
            act();
        }
    });
    poll.start(10);
    QTimer::singleShot(3000, &dialog, [&dialog] { dialog.done(-1); });
    return dialog.exec();
}

enum Input { LeftClickInBox, DoubleClickInBox, LeftClickOnFrame, LetterKey, Tab, Backspace };

} // namespace

class TestAlarmMessageDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typing_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QStringList>("shown");

        QTest::newRow("three Latin letters")
            << QByteArray("ABC") << QStringList{u""_s, u"A"_s, u"AB"_s, u"ABC"_s};
        // 设置: the lead byte typed alone is not shown until its partner arrives.
        QTest::newRow("two Chinese characters")
            << QByteArray("\xC9\xE8\xD6\xC3")
            << QStringList{u""_s, u""_s, u"设"_s, u"设"_s, u"设置"_s};
        QTest::newRow("empty message") << QByteArray() << QStringList{u""_s};
        QTest::newRow("lower case shows upper case")
            << QByteArray("Hi!") << QStringList{u""_s, u"H"_s, u"HI"_s, u"HI!"_s};
        QTest::newRow("markup shows literally")
            << QByteArray("<b>x</b>")
            << QStringList{u""_s,      u"<"_s,      u"<B"_s,      u"<B>"_s,     u"<B>X"_s,
                           u"<B>X<"_s, u"<B>X</"_s, u"<B>X</B"_s, u"<B>X</B>"_s};
    }

    // Every tick replaces the box's whole text; the tick that shows it all is the last.
    void typing()
    {
        QFETCH(QByteArray, message);
        QFETCH(QStringList, shown);

        Parent parent;
        AlarmMessageDialog dialog(&parent.window);
        dialog.setMessage(message);
        QPlainTextEdit *box = boxOf(dialog);
        QVERIFY(box);

        QStringList seen;
        qint64 lastChange = -1;
        QElapsedTimer clock;
        connect(box->document(), &QTextDocument::contentsChanged, &dialog, [&] {
            seen.append(box->toPlainText());
            lastChange = clock.elapsed();
        });
        clock.start();
        dialog.show();

        QTRY_COMPARE(seen, shown);
        // One tick per interval from the popup's creation, not faster.
        QVERIFY2(lastChange >= shown.size() * interval * 9 / 10,
                 qPrintable(QString::number(lastChange)));
        QCOMPARE(dialog.shownBytes, shown.size());
        QTest::qWait(3 * interval);
        QCOMPARE(seen, shown);
        QCOMPARE(dialog.shownBytes, shown.size());
    }

    void keysClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("whileTyping");
        QTest::addColumn<bool>("boxFocused");
        QTest::addColumn<int>("result");

        const int accepted = QDialog::Accepted;
        const int rejected = QDialog::Rejected;
        QTest::newRow("Esc while typing") << int(Qt::Key_Escape) << true << true << rejected;
        QTest::newRow("Return while typing") << int(Qt::Key_Return) << true << true << accepted;
        QTest::newRow("keypad Enter while typing")
            << int(Qt::Key_Enter) << true << true << accepted;
        QTest::newRow("Esc when typed") << int(Qt::Key_Escape) << false << true << rejected;
        QTest::newRow("Return when typed") << int(Qt::Key_Return) << false << true << accepted;
        QTest::newRow("Esc, popup itself focused")
            << int(Qt::Key_Escape) << true << false << rejected;
        QTest::newRow("Return, popup itself focused")
            << int(Qt::Key_Return) << true << false << accepted;
    }

    // Enter and Esc end the popup at once, from the box too; no tick comes after.
    void keysClose()
    {
        QFETCH(int, key);
        QFETCH(bool, whileTyping);
        QFETCH(bool, boxFocused);
        QFETCH(int, result);

        Parent parent;
        AlarmMessageDialog dialog(&parent.window);
        const QByteArray message = whileTyping ? QByteArray(40, 'x') : QByteArray("ok");
        dialog.setMessage(message);
        QPlainTextEdit *box = boxOf(dialog);

        QWidget *focusAtKey = nullptr;
        int shownAtKey = -1;
        // Two ticks into the typing, or once it is complete.
        const int readyAt = whileTyping ? 2 : message.size() + 1;
        const int ended = runModal(
            dialog, [&] { return dialog.shownBytes >= readyAt; },
            [&] {
                if (!boxFocused)
                    dialog.setFocus();
                focusAtKey = QApplication::focusWidget();
                shownAtKey = dialog.shownBytes;
                QTest::keyClick(dialog.windowHandle(), Qt::Key(key));
            });

        QCOMPARE(ended, result);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(focusAtKey, boxFocused ? static_cast<QWidget *>(box) : &dialog);
        if (whileTyping)
            QVERIFY(shownAtKey <= message.size());
        const QString shownAtClose = box->toPlainText();
        QTest::qWait(2 * interval);
        QCOMPARE(dialog.shownBytes, shownAtKey);
        QCOMPARE(box->toPlainText(), shownAtClose);
    }

    void otherInputKeepsItOpen_data()
    {
        QTest::addColumn<int>("input");

        QTest::newRow("left click in the box") << int(LeftClickInBox);
        QTest::newRow("double click in the box") << int(DoubleClickInBox);
        QTest::newRow("left click on the frame") << int(LeftClickOnFrame);
        QTest::newRow("letter key") << int(LetterKey);
        QTest::newRow("tab") << int(Tab);
        QTest::newRow("backspace") << int(Backspace);
    }

    // Only Enter and Esc close it; nothing else the user does changes the message.
    void otherInputKeepsItOpen()
    {
        QFETCH(int, input);

        Parent parent;
        AlarmMessageDialog dialog(&parent.window);
        dialog.setMessage("ok");
        QPlainTextEdit *box = boxOf(dialog);

        bool openAfterInput = false;
        QString textAfterInput;
        // Typed out first, so a key that reached the text would stay visible.
        const int ended = runModal(
            dialog, [&] { return box->toPlainText() == u"OK"_s; },
            [&] {
                QWindow *window = dialog.windowHandle();
                const QPoint inBox = box->geometry().center();
                switch (Input(input)) {
                case LeftClickInBox:
                    QTest::mouseClick(window, Qt::LeftButton, {}, inBox);
                    break;
                case DoubleClickInBox:
                    QTest::mouseDClick(window, Qt::LeftButton, {}, inBox);
                    break;
                case LeftClickOnFrame:
                    QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(1, 1));
                    break;
                case LetterKey:
                    QTest::keyClick(window, Qt::Key_A);
                    break;
                case Tab:
                    QTest::keyClick(window, Qt::Key_Tab);
                    break;
                case Backspace:
                    QTest::keyClick(window, Qt::Key_Backspace);
                    break;
                }
                QTimer::singleShot(interval, &dialog, [&] {
                    openAfterInput = dialog.isVisible();
                    textAfterInput = box->toPlainText();
                    QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape);
                });
            });

        QVERIFY(openAfterInput);
        QCOMPARE(textAfterInput, u"OK"_s);
        QCOMPARE(ended, int(QDialog::Rejected));
    }

    // No title bar and no close box: the popup draws its own frame.
    void captionless()
    {
        Parent parent;
        AlarmMessageDialog dialog(&parent.window);
        dialog.show();
        const Qt::WindowFlags flags = dialog.windowFlags();
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(!flags.testFlag(Qt::WindowTitleHint));
        QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
        QCOMPARE(dialog.windowType(), Qt::Dialog);
    }

    // 119 x 70 units at 10, 10 from the face, the box at 7, 7, 105 x 56, in the dialog font.
    void laidOutInDialogUnits()
    {
        Parent parent;
        AlarmMessageDialog dialog(&parent.window);
        dialog.show();
        QPlainTextEdit *box = boxOf(dialog);

        QCOMPARE(dialog.font(), DialogUnits::dialogFont());
        QCOMPARE(box->font(), DialogUnits::dialogFont());
        const DialogUnits units(DialogUnits::dialogFont());
        const int frame = AlarmMessageDialog::frameWidth;
        QCOMPARE(dialog.size(), units.size(119, 70) + QSize(2 * frame, 2 * frame));
        QCOMPARE(box->geometry(), units.rect(7, 7, 105, 56).translated(frame, frame));
        QCOMPARE(dialog.pos(), parent.window.pos() + QPoint(units.x(10), units.y(10)));
        QCOMPARE(box->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(box->isReadOnly());
    }

    void dialogUnits_data()
    {
        QTest::addColumn<int>("baseX");
        QTest::addColumn<int>("baseY");
        QTest::addColumn<QRect>("units");
        QTest::addColumn<QRect>("pixels");

        QTest::newRow("halves round up")
            << 6 << 12 << QRect(7, 7, 105, 56) << QRect(11, 11, 158, 84);
        QTest::newRow("whole popup")
            << 6 << 12 << QRect(10, 10, 119, 70) << QRect(15, 15, 179, 105);
        QTest::newRow("below half rounds down")
            << 7 << 15 << QRect(3, 3, 1, 1) << QRect(5, 6, 2, 2);
        QTest::newRow("above half rounds up") << 7 << 13 << QRect(1, 5, 3, 3) << QRect(2, 8, 5, 5);
        QTest::newRow("zero") << 8 << 16 << QRect(0, 0, 0, 0) << QRect(0, 0, 0, 0);
    }

    // Position and size are each rounded on their own, never derived from the other.
    void dialogUnits()
    {
        QFETCH(int, baseX);
        QFETCH(int, baseY);
        QFETCH(QRect, units);
        QFETCH(QRect, pixels);

        const DialogUnits mapping(baseX, baseY);
        QCOMPARE(mapping.rect(units.x(), units.y(), units.width(), units.height()), pixels);
        QCOMPARE(mapping.size(units.width(), units.height()), pixels.size());
    }
};

QTEST_MAIN(TestAlarmMessageDialog)

#include "tst_alarmmessagedialog.moc"
