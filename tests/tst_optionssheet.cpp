#include "optionssheet.h"

#include "fakefilepicker.h"
#include "recordingmessageboxes.h"
#include "recordingsound.h"
#include "settings.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

namespace {

using enum PropertyPage::Control;

// A sheet opened as the face opens it: the settings copied in, taken back on Apply or OK.
struct Sheet {
    RecordingSound sound;
    FakeFilePicker files;
    RecordingMessageBoxes boxes;
    Settings settings;
    int applies = 0;
    OptionsSheet sheet{nullptr, sound, files, boxes, 5};

    explicit Sheet(const Settings &start = Settings()) : settings(start)
    {
        sheet.load(settings);
        QObject::connect(&sheet, &OptionsSheet::applied, [this] {
            ++applies;
            sheet.store(settings);
        });
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
    }

    PropertyPage *page(int index)
    {
        return static_cast<PropertyPage *>(sheet.tabs()->widget(index));
    }
    QWidget *item(int pageIndex, int id) { return page(pageIndex)->GetDlgItem(id); }
    QAbstractButton *check(int pageIndex, int id)
    {
        return qobject_cast<QAbstractButton *>(item(pageIndex, id));
    }
    QLineEdit *edit(int pageIndex, int id)
    {
        return qobject_cast<QLineEdit *>(item(pageIndex, id));
    }
    void showPage(int index) { sheet.tabs()->setCurrentIndex(index); }
    QPushButton *button(QDialogButtonBox::StandardButton which)
    {
        return sheet.buttons()->button(which);
    }
    bool applyEnabled() { return button(QDialogButtonBox::Apply)->isEnabled(); }
};

} // namespace

class TestOptionsSheet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsShown()
    {
        Sheet s;
        QCOMPARE(s.sheet.windowTitle(), QString("选项"));
        QCOMPARE(s.sheet.tabs()->currentIndex(), 0);
        QCOMPARE(s.sheet.tabs()->tabText(0), QString("界面"));
        QCOMPARE(s.sheet.tabs()->tabText(1), QString("高级"));
        QCOMPARE(s.sheet.tabs()->tabText(2), QString("常规响铃"));
        QVERIFY(s.check(0, Check1)->isChecked());
        QVERIFY(s.check(0, Check2)->isChecked());
        s.showPage(1);
        QVERIFY(!s.check(1, Check1)->isChecked());
        QVERIFY(!s.check(1, Check2)->isChecked());
        QCOMPARE(s.edit(1, NumberEdit)->text(), QString("0"));
        QVERIFY(!s.item(1, NumberEdit)->isEnabled());
        QVERIFY(!s.item(1, Spin)->isEnabled());
        QCOMPARE(s.edit(1, SnoozeEdit)->text(), QString("9"));
        QCOMPARE(s.edit(1, GentleEdit)->text(), QString("0"));
        // Neither hangs on a switch.
        for (int id : {SnoozeEdit, SnoozeSpin, GentleEdit, GentleSpin})
            QVERIFY(s.item(1, id)->isEnabled());
        s.showPage(2);
        QVERIFY(!s.check(2, Check1)->isChecked());
        QCOMPARE(s.edit(2, NumberEdit)->text(), QString("0"));
        QCOMPARE(s.edit(2, SoundEdit)->text(), QString("Ding.wav"));
        for (int id : {Spin, NumberEdit, SoundEdit, BrowseButton, PlayButton, StopButton})
            QVERIFY2(!s.item(2, id)->isEnabled(), qPrintable(QString::number(id)));
        // Showing pages changes nothing: Apply stays grey.
        QVERIFY(!s.applyEnabled());
    }

    void switchesEnableTheirControls_data()
    {
        QTest::addColumn<int>("pageIndex");
        QTest::addColumn<QList<int>>("controls");
        QTest::newRow("maximum ringing time") << 1 << QList<int>{NumberEdit, Spin};
        QTest::newRow("chime")
            << 2 << QList<int>{Spin, NumberEdit, SoundEdit, BrowseButton, PlayButton, StopButton};
    }

    void switchesEnableTheirControls()
    {
        QFETCH(int, pageIndex);
        QFETCH(QList<int>, controls);
        Sheet s;
        s.showPage(pageIndex);
        QAbstractButton *box = s.check(pageIndex, pageIndex == 1 ? Check2 : Check1);
        box->click();
        QVERIFY(box->isChecked());
        for (int id : controls)
            QVERIFY(s.item(pageIndex, id)->isEnabled());
        QVERIFY(s.applyEnabled());
        box->click();
        for (int id : controls)
            QVERIFY(!s.item(pageIndex, id)->isEnabled());
    }

    void outOfRangeRefused_data()
    {
        QTest::addColumn<int>("pageIndex");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("editId");
        QTest::newRow("3601 seconds") << 1 << "3601"
                                      << "请输入一个介于 0 和 3600 之间的整数。" << int(NumberEdit);
        QTest::newRow("61 minutes") << 2 << "61"
                                    << "请输入一个介于 0 和 60 之间的整数。" << int(NumberEdit);
        QTest::newRow("empty minutes") << 2 << ""
                                       << "请输入一个整数。" << int(NumberEdit);
        QTest::newRow("snooze 0 minutes") << 1 << "0" << "请输入一个介于 1 和 60 之间的整数。"
                                          << int(SnoozeEdit);
        QTest::newRow("snooze 61 minutes") << 1 << "61" << "请输入一个介于 1 和 60 之间的整数。"
                                           << int(SnoozeEdit);
        QTest::newRow("empty snooze") << 1 << "" << "请输入一个整数。" << int(SnoozeEdit);
        QTest::newRow("gentle start 121 seconds")
            << 1 << "121" << "请输入一个介于 0 和 120 之间的整数。" << int(GentleEdit);
    }

    void outOfRangeRefused()
    {
        QFETCH(int, pageIndex);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(int, editId);
        Settings start;
        start.limitRinging = 1;
        start.chimeOn = 1;
        start.maxRingSeconds = 30;
        start.chimeMinutes = 15;
        Sheet s(start);
        s.showPage(pageIndex);
        s.edit(pageIndex, editId)->setText(typed);
        // OK, then a tab change: both refused, the sheet stays on the page.
        s.button(QDialogButtonBox::Ok)->click();
        QVERIFY(s.sheet.isVisible());
        QCOMPARE(s.boxes.texts, QStringList{message});
        s.showPage(0);
        QCOMPARE(s.sheet.tabs()->currentIndex(), pageIndex);
        QCOMPARE(s.boxes.texts.size(), 2);
        QCOMPARE(s.applies, 0);
        QCOMPARE(s.settings.maxRingSeconds, 30);
        QCOMPARE(s.settings.chimeMinutes, 15);
        QCOMPARE(s.settings.snoozeMinutes, 9);
        QTRY_COMPARE(QApplication::focusWidget(),
                     static_cast<QWidget *>(s.edit(pageIndex, editId)));
    }

    void applyThenCancelKeepsWhatApplyTook()
    {
        Sheet s;
        s.check(0, Check1)->click();
        s.button(QDialogButtonBox::Apply)->click();
        QVERIFY(!s.applyEnabled());
        QCOMPARE(s.settings.alwaysOnTop, 0);
        // A later change, then Cancel: only what Apply took stays.
        s.check(0, Check2)->click();
        s.button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(s.sheet.result(), int(QDialog::Rejected));
        QCOMPARE(s.applies, 1);
        QCOMPARE(s.settings.alwaysOnTop, 0);
        QCOMPARE(s.settings.hideFromTaskbar, 1);
    }

    void cancelStoresNothing()
    {
        // Not even a page left for another tab: its change was only on the page.
        Sheet s;
        s.check(0, Check1)->click();
        s.showPage(1);
        QCOMPARE(s.sheet.interfacePage.alwaysOnTop, 0);
        s.check(1, Check1)->click();
        s.button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(s.applies, 0);
        QCOMPARE(s.settings, Settings());
    }

    void okStoresEveryPage()
    {
        Sheet s;
        s.check(0, Check2)->click();
        s.showPage(1);
        s.check(1, Check2)->click();
        s.edit(1, NumberEdit)->setText("90");
        s.edit(1, SnoozeEdit)->setText("1");
        s.edit(1, GentleEdit)->setText("120");
        s.showPage(2);
        s.check(2, Check1)->click();
        s.edit(2, NumberEdit)->setText("30");
        s.edit(2, SoundEdit)->setText("闹钟.wav");
        s.button(QDialogButtonBox::Ok)->click();
        QCOMPARE(s.sheet.result(), int(QDialog::Accepted));
        Settings expected;
        expected.hideFromTaskbar = 0;
        expected.limitRinging = 1;
        expected.maxRingSeconds = 90;
        expected.snoozeMinutes = 1;
        expected.gentleSeconds = 120;
        expected.chimeOn = 1;
        expected.chimeMinutes = 30;
        expected.chimeSound = QByteArray("\xC4\xD6\xD6\xD3.wav"); // 闹钟 in GBK
        QCOMPARE(s.settings, expected);
    }

    void everyFieldShownAndKeptThroughOk()
    {
        // Distinct values, none the default, so that two crossed fields cannot pass.
        Settings start;
        start.alwaysOnTop = 0;
        start.hideFromTaskbar = 1;
        start.alarmsDisabled = 1;
        start.limitRinging = 1;
        start.maxRingSeconds = 45;
        start.snoozeMinutes = 15;
        start.gentleSeconds = 30;
        start.chimeOn = 1;
        start.chimeMinutes = 20;
        start.chimeSound = "ding2.wav";
        Sheet s(start);
        QVERIFY(!s.check(0, Check1)->isChecked());
        QVERIFY(s.check(0, Check2)->isChecked());
        s.showPage(1);
        QVERIFY(s.check(1, Check1)->isChecked());
        QVERIFY(s.check(1, Check2)->isChecked());
        QCOMPARE(s.edit(1, NumberEdit)->text(), QString("45"));
        QCOMPARE(s.edit(1, SnoozeEdit)->text(), QString("15"));
        QCOMPARE(s.edit(1, GentleEdit)->text(), QString("30"));
        s.showPage(2);
        QVERIFY(s.check(2, Check1)->isChecked());
        QCOMPARE(s.edit(2, NumberEdit)->text(), QString("20"));
        QCOMPARE(s.edit(2, SoundEdit)->text(), QString("ding2.wav"));
        s.settings = Settings(); // what comes back must come from the sheet
        s.button(QDialogButtonBox::Ok)->click();
        QCOMPARE(s.applies, 1);
        QCOMPARE(s.settings, start);
    }

    void newFieldsStepAndMarkTheSheetChanged_data()
    {
        QTest::addColumn<int>("editId");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("after");
        QTest::newRow("snooze up") << int(SnoozeEdit) << 9 << int(Qt::Key_Up) << "10";
        QTest::newRow("snooze stops at 1") << int(SnoozeEdit) << 1 << int(Qt::Key_Down) << "1";
        QTest::newRow("snooze stops at 60") << int(SnoozeEdit) << 60 << int(Qt::Key_Up) << "60";
        QTest::newRow("gentle start up") << int(GentleEdit) << 0 << int(Qt::Key_Up) << "1";
        QTest::newRow("gentle start stops at 0") << int(GentleEdit) << 0 << int(Qt::Key_Down)
                                                 << "0";
        QTest::newRow("gentle start stops at 120") << int(GentleEdit) << 120 << int(Qt::Key_Up)
                                                   << "120";
    }

    void newFieldsStepAndMarkTheSheetChanged()
    {
        QFETCH(int, editId);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(QString, after);
        Settings settings;
        settings.snoozeMinutes = editId == SnoozeEdit ? start : 9;
        settings.gentleSeconds = editId == GentleEdit ? start : 0;
        Sheet s(settings);
        s.showPage(1);
        QVERIFY(!s.applyEnabled());
        QTest::keyClick(s.edit(1, editId), Qt::Key(key));
        QCOMPARE(s.edit(1, editId)->text(), after);
        QCOMPARE(s.applyEnabled(), after != QString::number(start));
    }

    void disabledEditStillValidated()
    {
        Settings start;
        start.limitRinging = 1;
        Sheet s(start);
        s.showPage(1);
        s.edit(1, NumberEdit)->setText("4000");
        s.check(1, Check2)->click(); // clears the switch
        QVERIFY(!s.item(1, NumberEdit)->isEnabled());
        s.button(QDialogButtonBox::Ok)->click();
        QCOMPARE(s.boxes.texts, QStringList{"请输入一个介于 0 和 3600 之间的整数。"});
        QVERIFY(s.sheet.isVisible());
    }

    void browseEnablesApply()
    {
        Settings start;
        start.chimeOn = 1;
        Sheet s(start);
        s.showPage(2);
        QVERIFY(!s.applyEnabled());
        s.files.answers = {QString("/home/u/<b>bell</b>.wav")};
        qobject_cast<QAbstractButton *>(s.item(2, BrowseButton))->click();
        QCOMPARE(s.edit(2, SoundEdit)->text(), QString("/home/u/<b>bell</b>.wav"));
        QVERIFY(s.applyEnabled());
    }

    void previewPollsOnTheChimePage()
    {
        Settings start;
        start.chimeOn = 1;
        Sheet s(start);
        s.showPage(2);
        qobject_cast<QAbstractButton *>(s.item(2, PlayButton))->click();
        QCOMPARE(s.sound.requests.value(0).kind, RecordingSound::Kind::Once);
        QCOMPARE(s.sound.requests.value(0).path, QByteArray("Ding.wav"));
        QVERIFY(!s.item(2, PlayButton)->isEnabled());
        // The preview ends; the page's poll notices it even with another tab on top.
        s.showPage(0);
        s.sound.finish();
        QTRY_VERIFY(s.item(2, PlayButton)->isEnabled());
        QVERIFY(!s.item(2, StopButton)->isEnabled());
        QVERIFY(!s.applyEnabled());
    }
};

QTEST_MAIN(TestOptionsSheet)
#include "tst_optionssheet.moc"
