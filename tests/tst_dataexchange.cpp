#include "dataexchange.h"

#include "recordingmessageboxes.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

const QString notAnInteger = u"请输入一个整数。"_s;

// A field no exchange has written yet.
constexpr int32_t untouched = -7;

// A small form: three integer edits, a text edit, a check box and a multi-line edit, in
// an active window so that focus can be checked.
struct Form {
    Form()
    {
        for (QLineEdit *&edit : numbers)
            edit = new QLineEdit(&dialog);
        name = new QLineEdit(&dialog);
        box = new QCheckBox(u"box"_s, &dialog);
        lines = new QPlainTextEdit(&dialog);
        int y = 0;
        for (QWidget *w : dialog.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            w->setGeometry(0, y, 200, 30);
            y += 30;
        }
        dialog.resize(200, y);
        dialog.show();
        dialog.activateWindow();
    }

    QWidget dialog;
    QLineEdit *numbers[3];
    QLineEdit *name;
    QCheckBox *box;
    QPlainTextEdit *lines;
    RecordingMessageBoxes boxes;
};

} // namespace

class TestDataExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsIntegers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("value");

        QTest::newRow("plain") << u"42"_s << true << 42;
        QTest::newRow("zero") << u"0"_s << true << 0;
        QTest::newRow("leading zeros") << u"007"_s << true << 7;
        QTest::newRow("spaces around") << u"  12  "_s << true << 12;
        QTest::newRow("tabs around") << u"\t5\t"_s << true << 5;
        QTest::newRow("plus sign") << u"+5"_s << true << 5;
        QTest::newRow("minus sign") << u"-3"_s << true << -3;
        QTest::newRow("largest") << u"2147483647"_s << true << INT32_MAX;
        QTest::newRow("smallest") << u"-2147483648"_s << true << INT32_MIN;
        // Saturated rather than wrapped, so the range check still sees a huge number.
        QTest::newRow("overflow saturates") << u"99999999999"_s << true << INT32_MAX;
        QTest::newRow("2^32 + 5 is not 5") << u"4294967301"_s << true << INT32_MAX;
        QTest::newRow("negative overflow saturates") << u"-99999999999"_s << true << INT32_MIN;
        QTest::newRow("empty") << QString() << false << 0;
        QTest::newRow("only spaces") << u"   "_s << false << 0;
        QTest::newRow("letters") << u"abc"_s << false << 0;
        QTest::newRow("digits then letters") << u"12ab"_s << false << 0;
        QTest::newRow("space between digits") << u"1 2"_s << false << 0;
        QTest::newRow("space after the sign") << u"- 3"_s << false << 0;
        QTest::newRow("sign alone") << u"+"_s << false << 0;
        QTest::newRow("decimal point") << u"1.5"_s << false << 0;
        QTest::newRow("hexadecimal") << u"0x10"_s << false << 0;
        QTest::newRow("full-width digits") << u"１２"_s << false << 0;
        // The framework takes a zero only when the text starts with the digit 0.
        QTest::newRow("plus zero") << u"+0"_s << false << 0;
        QTest::newRow("minus zero") << u"-0"_s << false << 0;
    }

    // An integer is stored; anything else leaves the field alone and says so once.
    void readsIntegers()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, value);

        Form form;
        form.numbers[0]->setText(text);
        int32_t field = untouched;
        DataExchange dx(&form.dialog, true, form.boxes);
        dx.text(form.numbers[0], field);

        QCOMPARE(dx.failed(), !accepted);
        QCOMPARE(field, accepted ? value : untouched);
        QCOMPARE(form.boxes.texts, accepted ? QStringList() : QStringList{notAnInteger});
        if (!accepted)
            QCOMPARE(form.boxes.owners, QList<QWidget *>{&form.dialog});
    }

    void checksRanges_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("message");

        const QString hours = u"请输入一个介于 0 和 23 之间的整数。"_s;
        QTest::newRow("hour 24") << u"24"_s << 0 << 23 << hours;
        QTest::newRow("hour 23") << u"23"_s << 0 << 23 << QString();
        QTest::newRow("hour 0") << u"0"_s << 0 << 23 << QString();
        QTest::newRow("hour -1") << u"-1"_s << 0 << 23 << hours;
        QTest::newRow("hour overflowing 32 bits") << u"99999999999"_s << 0 << 23 << hours;
        QTest::newRow("minute 60")
            << u"60"_s << 0 << 59 << u"请输入一个介于 0 和 59 之间的整数。"_s;
        QTest::newRow("seconds 3601")
            << u"3601"_s << 0 << 3600 << u"请输入一个介于 0 和 3600 之间的整数。"_s;
        QTest::newRow("seconds 3600") << u"3600"_s << 0 << 3600 << QString();
        QTest::newRow("negative bounds")
            << u"-11"_s << -10 << 10 << u"请输入一个介于 -10 和 10 之间的整数。"_s;
        QTest::newRow("not an integer is reported once") << u"x"_s << 0 << 23 << notAnInteger;
    }

    // The range message names both bounds; text and range check share one failure.
    void checksRanges()
    {
        QFETCH(QString, text);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(QString, message);

        Form form;
        form.numbers[0]->setText(text);
        int32_t field = untouched;
        DataExchange dx(&form.dialog, true, form.boxes);
        dx.text(form.numbers[0], field);
        dx.minMax(form.numbers[0], field, min, max);

        QCOMPARE(dx.failed(), !message.isEmpty());
        QCOMPARE(form.boxes.texts, message.isEmpty() ? QStringList() : QStringList{message});
    }

    // Showing fields never validates: an out-of-range value is shown without a word.
    void loadingShowsWithoutChecking()
    {
        Form form;
        int32_t field = 75;
        DataExchange dx(&form.dialog, false, form.boxes);
        dx.text(form.numbers[0], field);
        dx.minMax(form.numbers[0], field, 0, 59);

        QVERIFY(!dx.failed());
        QCOMPARE(form.numbers[0]->text(), u"75"_s);
        QVERIFY(form.boxes.texts.isEmpty());
    }

    void failureStopsTheExchange_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("failing");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QList<int>>("stored");

        // Each number is checked against 0 ... 59. A number that reads but is out of range
        // is already in its field when the range check fails, as in the framework.
        const QString range = u"请输入一个介于 0 和 59 之间的整数。"_s;
        QTest::newRow("first edit empty")
            << QStringList{QString(), u"2"_s, u"3"_s} << 0 << notAnInteger
            << QList<int>{untouched, untouched, untouched};
        QTest::newRow("second edit out of range")
            << QStringList{u"1"_s, u"75"_s, u"3"_s} << 1 << range << QList<int>{1, 75, untouched};
        QTest::newRow("third edit has letters") << QStringList{u"1"_s, u"2"_s, u"3a"_s} << 2
                                                << notAnInteger << QList<int>{1, 2, untouched};
        QTest::newRow("two bad edits: only the first is reported")
            << QStringList{u"1"_s, u"x"_s, u"99"_s} << 1 << notAnInteger
            << QList<int>{1, untouched, untouched};
        QTest::newRow("all valid")
            << QStringList{u"1"_s, u"2"_s, u"3"_s} << -1 << QString() << QList<int>{1, 2, 3};
    }

    // The first failure is shown once, its edit gets the focus with all its text selected,
    // and no field after it is stored.
    void failureStopsTheExchange()
    {
        QFETCH(QStringList, texts);
        QFETCH(int, failing);
        QFETCH(QString, message);
        QFETCH(QList<int>, stored);

        Form form;
        QVERIFY(QTest::qWaitForWindowActive(&form.dialog));
        for (int i = 0; i < 3; ++i)
            form.numbers[i]->setText(texts[i]);
        form.name->setText(u"新的"_s);
        form.box->setChecked(true);
        form.lines->setPlainText(u"new"_s);
        // The focus starts somewhere else than on the edit that fails.
        form.box->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), form.box);

        int32_t fields[3] = {untouched, untouched, untouched};
        QByteArray name = "old";
        int32_t ticked = 0;
        QByteArray lines = "old";
        DataExchange dx(&form.dialog, true, form.boxes);
        for (int i = 0; i < 3; ++i) {
            dx.text(form.numbers[i], fields[i]);
            dx.minMax(form.numbers[i], fields[i], 0, 59);
        }
        dx.text(form.name, name);
        dx.check(form.box, ticked);
        dx.text(form.lines, lines);

        QCOMPARE((QList<int>{fields[0], fields[1], fields[2]}), stored);
        QCOMPARE(dx.failed(), failing >= 0);
        if (failing < 0) {
            QVERIFY(form.boxes.texts.isEmpty());
            QCOMPARE(name, QByteArray("\xD0\xC2\xB5\xC4")); // 新的 in GBK
            QCOMPARE(ticked, 1);
            QCOMPARE(lines, QByteArray("new"));
            return;
        }
        QCOMPARE(form.boxes.texts, QStringList{message});
        QCOMPARE(name, QByteArray("old"));
        QCOMPARE(ticked, 0);
        QCOMPARE(lines, QByteArray("old"));
        QLineEdit *edit = form.numbers[failing];
        QTRY_COMPARE(QApplication::focusWidget(), edit);
        QCOMPARE(edit->selectedText(), edit->text());
    }

    void switches_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<bool>("shownTicked");
        QTest::addColumn<int>("readBack");

        QTest::newRow("0 is clear") << 0 << false << 0;
        QTest::newRow("1 is ticked") << 1 << true << 1;
        // A hand-edited settings file may hold any number in a switch.
        QTest::newRow("5 shows clear and reads back 0") << 5 << false << 0;
        QTest::newRow("-1 shows clear and reads back 0") << -1 << false << 0;
    }

    // A switch shows as the box's tick and comes back as 0 or 1.
    void switches()
    {
        QFETCH(int, field);
        QFETCH(bool, shownTicked);
        QFETCH(int, readBack);

        Form form;
        form.box->setChecked(!shownTicked);
        int32_t value = field;
        DataExchange(&form.dialog, false, form.boxes).check(form.box, value);
        QCOMPARE(form.box->isChecked(), shownTicked);

        value = untouched;
        DataExchange(&form.dialog, true, form.boxes).check(form.box, value);
        QCOMPARE(value, readBack);
    }

    void texts_data()
    {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("multiLine");

        QTest::newRow("Latin") << QByteArray("Ring.wav") << u"Ring.wav"_s << false;
        QTest::newRow("Chinese in GBK") << QByteArray("\xC6\xF0\xB4\xB2") << u"起床"_s << false;
        QTest::newRow("markup stays text") << QByteArray("<b>x</b>") << u"<b>x</b>"_s << false;
        QTest::newRow("empty") << QByteArray() << QString() << false;
        QTest::newRow("multi-line Chinese") << QByteArray("\xC6\xF0\xB4\xB2") << u"起床"_s << true;
        // The field keeps a line break as CR LF, the edit as one line break.
        QTest::newRow("two lines") << QByteArray("A\r\nB") << u"A\nB"_s << true;
        QTest::newRow("empty middle line") << QByteArray("A\r\n\r\nB") << u"A\n\nB"_s << true;
    }

    // GBK fields show as their characters and read back to the same bytes.
    void texts()
    {
        QFETCH(QByteArray, field);
        QFETCH(QString, shown);
        QFETCH(bool, multiLine);

        Form form;
        QByteArray value = field;
        DataExchange load(&form.dialog, false, form.boxes);
        multiLine ? load.text(form.lines, value) : load.text(form.name, value);
        QCOMPARE(multiLine ? form.lines->toPlainText() : form.name->text(), shown);

        value = "stale";
        DataExchange save(&form.dialog, true, form.boxes);
        multiLine ? save.text(form.lines, value) : save.text(form.name, value);
        QCOMPARE(value, field);
        QVERIFY(form.boxes.texts.isEmpty());
    }
};

QTEST_MAIN(TestDataExchange)

#include "tst_dataexchange.moc"
