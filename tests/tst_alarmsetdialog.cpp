#include "alarmsetdialog.h"

#include "alarmlist.h"
#include "dialogunits.h"
#include "fakeclock.h"
#include "fakefilepicker.h"
#include "recordingmessageboxes.h"
#include "recordingsound.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

#include <memory>

using namespace Qt::StringLiterals;
using D = AlarmSetDialog;

// GBK bytes of the Chinese words the tables use.
#define GBK_QICHUANG "\xC6\xF0\xB4\xB2" // 起床
#define GBK_KAIHUI "\xBF\xAA\xBB\xE1"   // 开会

char *toString(const AlarmEntry &e)
{
    return QTest::toString(QByteArray::number(e.hour) + ':' + QByteArray::number(e.minute) +
                           " message=" + e.message.toHex() +
                           " show=" + QByteArray::number(e.showMessage) + " sound=" + e.sound +
                           " days=" + QByteArray::number(e.weekdays, 16) +
                           " flags=" + QByteArray::number(e.onceFlags));
}

Q_DECLARE_METATYPE(AlarmEntry)

namespace {

AlarmEntry at(int hour, int minute, const QByteArray &message = {}, int showMessage = 1,
              const QByteArray &sound = "Ring.wav")
{
    return {hour, minute, message, showMessage, sound};
}

AlarmEntry on(AlarmEntry e, uint8_t weekdays, uint8_t flags = 0)
{
    e.weekdays = weekdays;
    e.onceFlags = flags;
    return e;
}

// Held back to the midnight that starts that local date.
AlarmEntry until(AlarmEntry e, const char *date)
{
    e.notBefore =
        QDate::fromString(QString::fromLatin1(date), Qt::ISODate).startOfDay().toSecsSinceEpoch();
    return e;
}

// The two alarms most rows start from.
const AlarmEntry wakeUp = at(7, 30, GBK_QICHUANG, 1, "Ring.wav");
const AlarmEntry night = at(22, 0, {}, 0, "Ring.wav");

const QString newEntryLine = u"<新建>"_s;
const QStringList blank{u"0"_s, u"0"_s, QString(), u"1"_s, u"Ring.wav"_s};
const QString hourRange = u"请输入一个介于 0 和 23 之间的整数。"_s;
const QString minuteRange = u"请输入一个介于 0 和 59 之间的整数。"_s;
const QString notAnInteger = u"请输入一个整数。"_s;

// Characters arrive as a user's would: ASCII as key presses, the rest as an input
// method's committed text.
void type(QWidget *widget, const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(widget, char(c.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(widget, &commit);
        }
    }
}

// Selects everything in a focused edit and deletes it.
void clear(QWidget *edit)
{
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
}

struct Harness {
    explicit Harness(const QList<AlarmEntry> &before = {})
    {
        for (const AlarmEntry &entry : before)
            alarms.SetAtGrow(alarms.GetSize(), entry);
        // Friday 11 December 2026 at 18:00; a short preview poll: no real half-seconds.
        clock.setLocal(2026, 12, 11, 18, 0, 0);
        dialog = std::make_unique<AlarmSetDialog>(nullptr, alarms, clock, sound, files, boxes, 5);
        dialog->show();
        dialog->activateWindow();
    }

    template <typename T> T *item(int id) const
    {
        return qobject_cast<T *>(dialog->GetDlgItem(id));
    }
    QComboBox *list() const { return item<QComboBox>(D::AlarmsList); }
    QLineEdit *edit(int id) const { return item<QLineEdit>(id); }
    QPlainTextEdit *messageEdit() const { return item<QPlainTextEdit>(D::MessageEdit); }
    QCheckBox *showBox() const { return item<QCheckBox>(D::ShowMessageBox); }
    QPushButton *button(int id) const { return item<QPushButton>(id); }

    QList<AlarmEntry> entries() const
    {
        QList<AlarmEntry> all;
        for (int i = 0; i < alarms.GetSize(); ++i)
            all.append(alarms[i]);
        return all;
    }

    QStringList lines() const
    {
        QStringList all;
        for (int i = 0; i < list()->count(); ++i)
            all.append(list()->itemText(i));
        return all;
    }

    // Hour, minute, message, tick ("1" or "0") and sound, as the controls show them.
    QStringList shown() const
    {
        return {edit(D::HourEdit)->text(), edit(D::MinuteEdit)->text(),
                messageEdit()->toPlainText(), showBox()->isChecked() ? u"1"_s : u"0"_s,
                edit(D::SoundEdit)->text()};
    }

    // Line i names alarm i's time and the last line is "<新建>", whatever happened.
    void checkLinesMatchAlarms() const
    {
        const QStringList all = lines();
        QCOMPARE(all.size(), alarms.GetSize() + 1);
        QCOMPARE(all.last(), newEntryLine);
        for (int i = 0; i < alarms.GetSize(); ++i) {
            const QString &line = all[i];
            // The time, then the days or once-marks of an alarm that is not plain daily.
            QVERIFY2(line.size() >= 7 && line.startsWith(u"  "_s) && line[4] == u':' &&
                         (line.size() == 7) ==
                             (alarms[i].isPlainDaily() && alarms[i].notBefore == 0),
                     qPrintable(line));
            QCOMPARE(line.mid(2, 2).toInt(), alarms[i].hour);
            QCOMPARE(line.mid(5, 2).toInt(), alarms[i].minute);
        }
        QVERIFY(list()->currentIndex() >= 0);
    }

    void pick(int index)
    {
        QComboBox *box = list();
        box->setFocus();
        const int moves = qAbs(index - box->currentIndex());
        const Qt::Key key = index > box->currentIndex() ? Qt::Key_Down : Qt::Key_Up;
        for (int i = 0; i < moves; ++i)
            QTest::keyClick(box, key);
        QCOMPARE(box->currentIndex(), index);
    }

    // The seven day toggles, Sunday first, as "1" and "0".
    QString shownDays() const
    {
        QString days;
        for (int d = 0; d < 7; ++d)
            days += button(D::SundayButton + d)->isChecked() ? u'1' : u'0';
        return days;
    }

    // One user action: "pick N", "hour T", "minute T", "message T", "paste T", "sound T",
    // "tick", "day N" (0 Sunday), "once", "skip", "pause YYYY-MM-DD", "new", "set", "remove".
    void run(const QString &step)
    {
        const QString verb = step.section(u' ', 0, 0);
        const QString text = step.section(u' ', 1);
        if (verb == u"pick") {
            pick(text.toInt());
        } else if (verb == u"hour" || verb == u"minute" || verb == u"sound") {
            QLineEdit *target = edit(verb == u"hour"     ? D::HourEdit
                                     : verb == u"minute" ? D::MinuteEdit
                                                         : D::SoundEdit);
            clear(target);
            type(target, text);
        } else if (verb == u"message") {
            clear(messageEdit());
            type(messageEdit(), text);
        } else if (verb == u"paste") {
            clear(messageEdit());
            QApplication::clipboard()->setText(text);
            QTest::keyClick(messageEdit(), Qt::Key_V, Qt::ControlModifier);
        } else if (verb == u"tick") {
            showBox()->setFocus();
            QTest::keyClick(showBox(), Qt::Key_Space);
        } else if (verb == u"day") {
            QTest::mouseClick(button(D::SundayButton + text.toInt()), Qt::LeftButton);
        } else if (verb == u"once") {
            item<QCheckBox>(D::OnceBox)->setFocus();
            QTest::keyClick(item<QCheckBox>(D::OnceBox), Qt::Key_Space);
        } else if (verb == u"skip" || verb == u"pause") {
            auto *box = item<QCheckBox>(verb == u"skip" ? D::SkipBox : D::PauseBox);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
            if (!text.isEmpty())
                item<QDateEdit>(D::PauseDateEdit)->setDate(QDate::fromString(text, Qt::ISODate));
        } else if (verb == u"new" || verb == u"set" || verb == u"remove") {
            const int id = verb == u"new"   ? D::NewButton
                           : verb == u"set" ? D::SetButton
                                            : D::RemoveButton;
            QTest::mouseClick(button(id), Qt::LeftButton);
        } else {
            QFAIL(qPrintable(u"unknown step "_s + step));
        }
    }

    AlarmList alarms;
    FakeClock clock;
    RecordingSound sound;
    FakeFilePicker files;
    RecordingMessageBoxes boxes;
    std::unique_ptr<AlarmSetDialog> dialog;
};

} // namespace

class TestAlarmSetDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void operations_data()
    {
        QTest::addColumn<QList<AlarmEntry>>("before");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<AlarmEntry>>("after");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<bool>("messageEnabled");
        QTest::addColumn<QStringList>("warnings");

        using Entries = QList<AlarmEntry>;
        const QStringList two{u"  07:30"_s, u"  22:00"_s, newEntryLine};
        const Entries both{wakeUp, night};

        QTest::newRow("empty list: only <新建>, blank fields")
            << Entries{} << QStringList{} << Entries{} << QStringList{newEntryLine} << 0 << blank
            << true << QStringList{};
        QTest::newRow("opens on <新建> with blank fields")
            << both << QStringList{} << both << two << 2 << blank << true << QStringList{};

        // Set: the time alone decides where the entry goes.
        QTest::newRow("set on an empty list")
            << Entries{} << QStringList{u"hour 7"_s, u"minute 5"_s, u"set"_s} << Entries{at(7, 5)}
            << QStringList{u"  07:05"_s, newEntryLine} << 1 << blank << true << QStringList{};
        QTest::newRow("set between two alarms")
            << Entries{at(7, 0), at(9, 0)} << QStringList{u"hour 8"_s, u"set"_s}
            << Entries{at(7, 0), at(8, 0), at(9, 0)}
            << QStringList{u"  07:00"_s, u"  08:00"_s, u"  09:00"_s, newEntryLine} << 3 << blank
            << true << QStringList{};
        QTest::newRow("set before every alarm")
            << both << QStringList{u"hour 6"_s, u"set"_s} << Entries{at(6, 0), wakeUp, night}
            << QStringList{u"  06:00"_s, u"  07:30"_s, u"  22:00"_s, newEntryLine} << 3 << blank
            << true << QStringList{};
        QTest::newRow("set after every alarm")
            << both << QStringList{u"hour 23"_s, u"minute 59"_s, u"set"_s}
            << Entries{wakeUp, night, at(23, 59)}
            << QStringList{u"  07:30"_s, u"  22:00"_s, u"  23:59"_s, newEntryLine} << 3 << blank
            << true << QStringList{};
        QTest::newRow("same time typed anew replaces in place")
            << both
            << QStringList{u"hour 7"_s, u"minute 30"_s, u"message 开会"_s, u"sound Ding.wav"_s,
                           u"set"_s}
            << Entries{at(7, 30, GBK_KAIHUI, 1, "Ding.wav"), night} << two << 2 << blank << true
            << QStringList{};
        QTest::newRow("picked alarm changed and set: replaced, no second line")
            << both << QStringList{u"pick 0"_s, u"message 开会"_s, u"set"_s}
            << Entries{at(7, 30, GBK_KAIHUI), night} << two << 2 << blank << true << QStringList{};
        QTest::newRow("picked alarm set unchanged: rewritten as it was")
            << both << QStringList{u"pick 0"_s, u"set"_s} << both << two << 2 << blank << true
            << QStringList{};
        QTest::newRow("picked alarm with another hour: added, the old one stays")
            << both << QStringList{u"pick 0"_s, u"hour 8"_s, u"set"_s}
            << Entries{wakeUp, at(8, 30, GBK_QICHUANG), night}
            << QStringList{u"  07:30"_s, u"  08:30"_s, u"  22:00"_s, newEntryLine} << 3 << blank
            << true << QStringList{};
        QTest::newRow("set ignores the picked line: 22:00's fields land on 07:30")
            << both << QStringList{u"pick 1"_s, u"hour 7"_s, u"minute 30"_s, u"set"_s}
            << Entries{at(7, 30, {}, 0), night} << two << 2 << blank << true << QStringList{};
        QTest::newRow("untouched New then Set: 00:00, shown, Ring.wav")
            << both << QStringList{u"pick 0"_s, u"new"_s, u"set"_s}
            << Entries{at(0, 0), wakeUp, night}
            << QStringList{u"  00:00"_s, u"  07:30"_s, u"  22:00"_s, newEntryLine} << 3 << blank
            << true << QStringList{};
        QTest::newRow("untouched New then Set replaces an existing 00:00")
            << Entries{at(0, 0, "old", 0, "old.wav"), wakeUp} << QStringList{u"new"_s, u"set"_s}
            << Entries{at(0, 0), wakeUp} << QStringList{u"  00:00"_s, u"  07:30"_s, newEntryLine}
            << 2 << blank << true << QStringList{};

        // Remove.
        QTest::newRow("remove the last alarm")
            << both << QStringList{u"pick 1"_s, u"remove"_s} << Entries{wakeUp}
            << QStringList{u"  07:30"_s, newEntryLine} << 1 << blank << true << QStringList{};
        QTest::newRow("remove the first alarm")
            << both << QStringList{u"pick 0"_s, u"remove"_s} << Entries{night}
            << QStringList{u"  22:00"_s, newEntryLine} << 1 << blank << true << QStringList{};
        QTest::newRow("remove the only alarm")
            << Entries{wakeUp} << QStringList{u"pick 0"_s, u"remove"_s} << Entries{}
            << QStringList{newEntryLine} << 0 << blank << true << QStringList{};
        QTest::newRow("remove with <新建> selected: 没有选择!")
            << both << QStringList{u"remove"_s} << both << two << 2 << blank << true
            << QStringList{u"没有选择!"_s};
        QTest::newRow("remove after picking <新建> by hand: 没有选择!")
            << both << QStringList{u"pick 0"_s, u"pick 2"_s, u"remove"_s} << both << two << 2
            << blank << true << QStringList{u"没有选择!"_s};

        // Picking a line shows its alarm.
        QTest::newRow("picking an alarm shows it")
            << both << QStringList{u"pick 0"_s} << both << two << 0
            << QStringList{u"7"_s, u"30"_s, u"起床"_s, u"1"_s, u"Ring.wav"_s} << true
            << QStringList{};
        QTest::newRow("picking an alarm without message: box clear, edit disabled")
            << both << QStringList{u"pick 1"_s} << both << two << 1
            << QStringList{u"22"_s, u"0"_s, QString(), u"0"_s, u"Ring.wav"_s} << false
            << QStringList{};
        QTest::newRow("picking <新建> by hand: blank fields, edit enabled")
            << both << QStringList{u"pick 1"_s, u"pick 2"_s} << both << two << 2 << blank << true
            << QStringList{};
        QTest::newRow("New after picking: blank fields, <新建> selected")
            << both << QStringList{u"pick 1"_s, u"new"_s} << both << two << 2 << blank << true
            << QStringList{};

        // The show-message switch.
        QTest::newRow("unticking disables the message edit, its text stays")
            << both << QStringList{u"pick 0"_s, u"tick"_s} << both << two << 0
            << QStringList{u"7"_s, u"30"_s, u"起床"_s, u"0"_s, u"Ring.wav"_s} << false
            << QStringList{};
        QTest::newRow("an unticked message is still stored by Set")
            << both << QStringList{u"pick 0"_s, u"tick"_s, u"set"_s}
            << Entries{at(7, 30, GBK_QICHUANG, 0), night} << two << 2 << blank << true
            << QStringList{};
        QTest::newRow("ticking enables the message edit again")
            << both << QStringList{u"pick 1"_s, u"tick"_s} << both << two << 1
            << QStringList{u"22"_s, u"0"_s, QString(), u"1"_s, u"Ring.wav"_s} << true
            << QStringList{};

        // Capitals.
        QTest::newRow("typed Latin letters show in capitals at once")
            << Entries{} << QStringList{u"message wake up"_s} << Entries{}
            << QStringList{newEntryLine} << 0
            << QStringList{u"0"_s, u"0"_s, u"WAKE UP"_s, u"1"_s, u"Ring.wav"_s} << true
            << QStringList{};
        QTest::newRow("Latin letters stored in capitals, Chinese as typed")
            << Entries{} << QStringList{u"hour 6"_s, u"message get up, 7am! 起床"_s, u"set"_s}
            << Entries{at(6, 0, "GET UP, 7AM! " GBK_QICHUANG)}
            << QStringList{u"  06:00"_s, newEntryLine} << 1 << blank << true << QStringList{};
        QTest::newRow("small letters from the settings file show in capitals")
            << Entries{at(7, 0, "wake")} << QStringList{u"pick 0"_s} << Entries{at(7, 0, "wake")}
            << QStringList{u"  07:00"_s, newEntryLine} << 0
            << QStringList{u"7"_s, u"0"_s, u"WAKE"_s, u"1"_s, u"Ring.wav"_s} << true
            << QStringList{};
        QTest::newRow("small letters from the settings file are stored in capitals by Set")
            << Entries{at(7, 0, "wake")} << QStringList{u"pick 0"_s, u"set"_s}
            << Entries{at(7, 0, "WAKE")} << QStringList{u"  07:00"_s, newEntryLine} << 1 << blank
            << true << QStringList{};
        QTest::newRow("pasted letters become capitals too")
            << Entries{} << QStringList{u"hour 6"_s, u"paste meet 起床"_s, u"set"_s}
            << Entries{at(6, 0, "MEET " GBK_QICHUANG)} << QStringList{u"  06:00"_s, newEntryLine}
            << 1 << blank << true << QStringList{};

        // Refused input: the framework's message, nothing stored, nothing reset.
        QTest::newRow("hour 24 refused")
            << Entries{wakeUp} << QStringList{u"hour 24"_s, u"set"_s} << Entries{wakeUp}
            << QStringList{u"  07:30"_s, newEntryLine} << 1
            << QStringList{u"24"_s, u"0"_s, QString(), u"1"_s, u"Ring.wav"_s} << true
            << QStringList{hourRange};
        QTest::newRow("minute 75 refused")
            << Entries{wakeUp} << QStringList{u"minute 75"_s, u"set"_s} << Entries{wakeUp}
            << QStringList{u"  07:30"_s, newEntryLine} << 1
            << QStringList{u"0"_s, u"75"_s, QString(), u"1"_s, u"Ring.wav"_s} << true
            << QStringList{minuteRange};
        QTest::newRow("empty hour refused")
            << Entries{wakeUp} << QStringList{u"hour "_s, u"set"_s} << Entries{wakeUp}
            << QStringList{u"  07:30"_s, newEntryLine} << 1
            << QStringList{QString(), u"0"_s, QString(), u"1"_s, u"Ring.wav"_s} << true
            << QStringList{notAnInteger};
        QTest::newRow("hour 24 and minute 75: only the hour is reported")
            << Entries{} << QStringList{u"hour 24"_s, u"minute 75"_s, u"set"_s} << Entries{}
            << QStringList{newEntryLine} << 0
            << QStringList{u"24"_s, u"75"_s, QString(), u"1"_s, u"Ring.wav"_s} << true
            << QStringList{hourRange};
        QTest::newRow("refused Set keeps the picked line and its edits")
            << both << QStringList{u"pick 0"_s, u"hour 24"_s, u"set"_s} << both << two << 0
            << QStringList{u"24"_s, u"30"_s, u"起床"_s, u"1"_s, u"Ring.wav"_s} << true
            << QStringList{hourRange};
        QTest::newRow("corrected after a refusal, Set stores")
            << Entries{} << QStringList{u"hour 24"_s, u"set"_s, u"hour 23"_s, u"set"_s}
            << Entries{at(23, 0)} << QStringList{u"  23:00"_s, newEntryLine} << 1 << blank << true
            << QStringList{hourRange};
    }

    // Each row is a user's sequence of actions; afterwards the alarm list, the lines, the
    // selection, the fields and the messages shown are checked, and after every single
    // action line i still names alarm i.
    void operations()
    {
        QFETCH(QList<AlarmEntry>, before);
        QFETCH(QStringList, steps);
        QFETCH(QList<AlarmEntry>, after);
        QFETCH(QStringList, lines);
        QFETCH(int, selected);
        QFETCH(QStringList, shown);
        QFETCH(bool, messageEnabled);
        QFETCH(QStringList, warnings);

        Harness h(before);
        QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
        h.checkLinesMatchAlarms();
        for (const QString &step : steps) {
            h.run(step);
            if (QTest::currentTestFailed())
                return;
            h.checkLinesMatchAlarms();
            if (QTest::currentTestFailed())
                QFAIL(qPrintable(u"after "_s + step));
        }

        QCOMPARE(h.entries(), after);
        QCOMPARE(h.lines(), lines);
        QCOMPARE(h.list()->currentIndex(), selected);
        QCOMPARE(h.shown(), shown);
        QCOMPARE(h.messageEdit()->isEnabled(), messageEnabled);
        QCOMPARE(h.boxes.texts, warnings);
        for (QWidget *owner : h.boxes.owners)
            QCOMPARE(owner, h.dialog.get());
        QVERIFY(h.dialog->isVisible());
    }

    void focusAfter_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("focused");
        QTest::addColumn<bool>("allSelected");

        QTest::newRow("hour 24: the hour edit, its text selected")
            << QStringList{u"hour 24"_s, u"minute 5"_s, u"set"_s} << int(D::HourEdit) << true;
        QTest::newRow("minute 75: the minute edit, its text selected")
            << QStringList{u"hour 5"_s, u"minute 75"_s, u"set"_s} << int(D::MinuteEdit) << true;
        QTest::newRow("empty minute: the minute edit")
            << QStringList{u"minute "_s, u"set"_s} << int(D::MinuteEdit) << false;
        QTest::newRow("remove: the list")
            << QStringList{u"pick 0"_s, u"remove"_s} << int(D::AlarmsList) << false;
        QTest::newRow("remove refused: the list")
            << QStringList{u"remove"_s} << int(D::AlarmsList) << false;
    }

    // Where the focus goes after a refused Set or a Remove.
    void focusAfter()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, focused);
        QFETCH(bool, allSelected);

        Harness h({wakeUp, night});
        QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
        for (const QString &step : steps)
            h.run(step);

        QWidget *expected = h.dialog->GetDlgItem(focused);
        QTRY_COMPARE(QApplication::focusWidget(), expected);
        if (allSelected) {
            auto *edit = qobject_cast<QLineEdit *>(expected);
            QVERIFY(edit->hasSelectedText());
            QCOMPARE(edit->selectedText(), edit->text());
        }
    }

    void timeEdits_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("result");

        const int hour = D::HourEdit;
        const int minute = D::MinuteEdit;
        QTest::newRow("Up key in the hour edit") << hour << u"7"_s << u"key up"_s << u"8"_s;
        QTest::newRow("Down key in the hour edit") << hour << u"7"_s << u"key down"_s << u"6"_s;
        QTest::newRow("Up key stops at 23") << hour << u"23"_s << u"key up"_s << u"23"_s;
        QTest::newRow("Down key stops at 0") << hour << u"0"_s << u"key down"_s << u"0"_s;
        QTest::newRow("up arrow from 22") << hour << u"22"_s << u"arrow up"_s << u"23"_s;
        QTest::newRow("up arrow stops at 23, no wrap")
            << hour << u"23"_s << u"arrow up"_s << u"23"_s;
        QTest::newRow("down arrow stops at 0, no wrap")
            << hour << u"0"_s << u"arrow down"_s << u"0"_s;
        QTest::newRow("minute up arrow stops at 59")
            << minute << u"59"_s << u"arrow up"_s << u"59"_s;
        QTest::newRow("minute Up key from 58") << minute << u"58"_s << u"key up"_s << u"59"_s;
        QTest::newRow("minute down arrow from 30")
            << minute << u"30"_s << u"arrow down"_s << u"29"_s;
        QTest::newRow("letters are not taken") << hour << QString() << u"type 1a2"_s << u"12"_s;
        QTest::newRow("signs are not taken") << minute << QString() << u"type -5"_s << u"5"_s;
    }

    // The time edits take digits only, and their arrows and the Up and Down keys step
    // them within 0-23 and 0-59.
    void timeEdits()
    {
        QFETCH(int, id);
        QFETCH(QString, start);
        QFETCH(QString, action);
        QFETCH(QString, result);

        Harness h;
        QLineEdit *edit = h.edit(id);
        clear(edit);
        type(edit, start);
        QCOMPARE(edit->text(), start);

        const QString verb = action.section(u' ', 0, 0);
        const QString what = action.section(u' ', 1);
        if (verb == u"key") {
            QTest::keyClick(edit, what == u"up" ? Qt::Key_Up : Qt::Key_Down);
        } else if (verb == u"arrow") {
            const int spinId = id == D::HourEdit ? D::HourSpin : D::MinuteSpin;
            const Qt::ArrowType arrow = what == u"up" ? Qt::UpArrow : Qt::DownArrow;
            QToolButton *button = nullptr;
            for (QToolButton *b : h.dialog->GetDlgItem(spinId)->findChildren<QToolButton *>())
                if (b->arrowType() == arrow)
                    button = b;
            QVERIFY(button);
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            type(edit, what);
        }
        QCOMPARE(edit->text(), result);
    }

    // Without horizontal scrolling the time edits take what they can show, but always
    // two digits.
    void timeEditsHoldTwoDigits()
    {
        Harness h;
        for (int id : {int(D::HourEdit), int(D::MinuteEdit)}) {
            QLineEdit *edit = h.edit(id);
            clear(edit);
            type(edit, u"88888888"_s);
            QVERIFY2(edit->text().size() >= 2, qPrintable(edit->text()));
            QVERIFY2(edit->text().size() < 8, qPrintable(edit->text()));
            QVERIFY(edit->fontMetrics().horizontalAdvance(edit->text()) < edit->width());
        }
    }

    void fileValuesCanBeCorrected_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");

        QTest::newRow("a minute too wide to show loses its last digit")
            << int(D::MinuteEdit) << u"\b"_s << u"123456"_s;
        QTest::newRow("a digit can be retyped next to a sign")
            << int(D::HourEdit) << u"\b7"_s << u"-7"_s;
        QTest::newRow("the sign can be deleted") << int(D::HourEdit) << u"\b\b"_s << QString();
        QTest::newRow("no second sign") << int(D::HourEdit) << u"-"_s << u"-5"_s;
    }

    // A hand-edited settings file may hold any number. Shown as it is, the user can still
    // shorten it and type digits, though nothing wider or other than digits is taken.
    void fileValuesCanBeCorrected()
    {
        QFETCH(int, id);
        QFETCH(QString, typed);
        QFETCH(QString, result);

        Harness h({at(-5, 1234567)});
        h.pick(0);
        QLineEdit *edit = h.edit(id);
        QCOMPARE(h.shown().mid(0, 2), (QStringList{u"-5"_s, u"1234567"_s}));
        QVERIFY(edit->fontMetrics().horizontalAdvance(u"1234567"_s) > edit->width());

        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_End);
        for (QChar c : typed) {
            if (c == u'\b')
                QTest::keyClick(edit, Qt::Key_Backspace);
            else
                type(edit, QString(c));
        }
        QCOMPARE(edit->text(), result);
    }

    void keys_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("focused");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("warnings");
        QTest::addColumn<QList<AlarmEntry>>("after");

        using Entries = QList<AlarmEntry>;
        const Entries one{wakeUp};
        const int none = Qt::NoModifier;
        const int accepted = QDialog::Accepted;
        const int rejected = QDialog::Rejected;
        const int stillOpen = -1;
        const int enter = Qt::Key_Return;

        QTest::newRow("Enter in the message edit closes, storing nothing")
            << QStringList{u"hour 5"_s, u"message abc"_s} << int(D::MessageEdit) << enter << none
            << false << accepted << QStringList{} << one;
        QTest::newRow("keypad Enter in the hour edit closes")
            << QStringList{u"hour 5"_s} << int(D::HourEdit) << int(Qt::Key_Enter)
            << int(Qt::KeypadModifier) << false << accepted << QStringList{} << one;
        QTest::newRow("Enter on the check box closes")
            << QStringList{} << int(D::ShowMessageBox) << enter << none << false << accepted
            << QStringList{} << one;
        QTest::newRow("Enter in the message edit with hour 24 stays open")
            << QStringList{u"hour 24"_s, u"message abc"_s} << int(D::MessageEdit) << enter << none
            << true << stillOpen << QStringList{hourRange} << one;
        QTest::newRow("Enter on the Set button sets, the dialog stays")
            << QStringList{u"hour 5"_s} << int(D::SetButton) << enter << none << true << stillOpen
            << QStringList{} << Entries{at(5, 0), wakeUp};
        QTest::newRow("Esc closes without storing or checking")
            << QStringList{u"hour 24"_s, u"message abc"_s} << int(D::MessageEdit)
            << int(Qt::Key_Escape) << none << false << rejected << QStringList{} << one;
    }

    // Enter that no button takes is OK: validate, then close. Esc closes unchecked.
    // Neither changes the alarm list.
    void keys()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, focused);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, open);
        QFETCH(int, result);
        QFETCH(QStringList, warnings);
        QFETCH(QList<AlarmEntry>, after);

        Harness h({wakeUp});
        QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
        for (const QString &step : steps)
            h.run(step);
        QWidget *target = h.dialog->GetDlgItem(focused);
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
        const QString messageBefore = h.messageEdit()->toPlainText();
        h.dialog->setResult(-1);

        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        QCOMPARE(h.dialog->isVisible(), open);
        QCOMPARE(h.dialog->result(), result);
        QCOMPARE(h.boxes.texts, warnings);
        QCOMPARE(h.entries(), after);
        if (open && focused == D::MessageEdit)
            QCOMPARE(h.messageEdit()->toPlainText(), messageBefore);
    }

    // Ctrl+Enter is how a message gets a second line; the alarm keeps it as CR LF.
    void ctrlEnterStartsANewLine()
    {
        Harness h;
        h.run(u"message up"_s);
        QTest::keyClick(h.messageEdit(), Qt::Key_Return, Qt::ControlModifier);
        type(h.messageEdit(), u"now"_s);
        QVERIFY(h.dialog->isVisible());
        QCOMPARE(h.messageEdit()->toPlainText(), u"UP\nNOW"_s);
        h.run(u"set"_s);
        QCOMPARE(h.entries(), (QList<AlarmEntry>{at(0, 0, "UP\r\nNOW")}));
    }

    void tabOrder_data()
    {
        QTest::addColumn<bool>("previewing");

        QTest::newRow("idle: Stop is skipped") << false;
        QTest::newRow("previewing: Play is skipped") << true;
    }

    // Tab walks the controls in template order; labels, frames and arrows take no focus.
    void tabOrder()
    {
        QFETCH(bool, previewing);

        Harness h;
        QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
        if (previewing)
            QTest::mouseClick(h.button(D::PlayButton), Qt::LeftButton);
        h.list()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), h.list());

        QList<int> order{D::NewButton,       D::SetButton,      D::RemoveButton, D::HourEdit,
                         D::MinuteEdit,      D::SundayButton,   D::MondayButton, D::TuesdayButton,
                         D::WednesdayButton, D::ThursdayButton, D::FridayButton, D::SaturdayButton,
                         D::OnceBox,         D::SkipBox,        D::PauseBox,     D::MessageEdit,
                         D::ShowMessageBox,  D::SoundEdit,      D::BrowseButton, D::PlayButton,
                         D::StopButton,      D::AlarmsList};
        order.removeOne(previewing ? int(D::PlayButton) : int(D::StopButton));
        QList<int> visited;
        for (int i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            int id = 0;
            for (int candidate : order)
                if (h.dialog->GetDlgItem(candidate) == QApplication::focusWidget())
                    id = candidate;
            visited.append(id);
        }
        QCOMPARE(visited, order);
    }

    // The sound row is the sound picker: Browse fills the edit, Play previews what the
    // edit names and returns to idle when it has played, and Set stores the path.
    void soundRowPreviewsAndStores()
    {
        Harness h;
        h.files.answers.append(u"/home/user/声音/闹钟.wav"_s);
        QTest::mouseClick(h.button(D::BrowseButton), Qt::LeftButton);
        QCOMPARE(h.files.calls, 1);
        QCOMPARE(h.files.lastOwner, h.dialog.get());
        QCOMPARE(h.edit(D::SoundEdit)->text(), u"/home/user/声音/闹钟.wav"_s);

        const QByteArray gbkPath = "/home/user/\xC9\xF9\xD2\xF4/\xC4\xD6\xD6\xD3.wav";
        QTest::mouseClick(h.button(D::PlayButton), Qt::LeftButton);
        QCOMPARE(h.sound.requests,
                 (QList<RecordingSound::Request>{{RecordingSound::Kind::Once, gbkPath}}));
        QVERIFY(!h.button(D::PlayButton)->isEnabled());
        QVERIFY(h.button(D::StopButton)->isEnabled());

        h.sound.finish();
        QTRY_VERIFY(h.button(D::PlayButton)->isEnabled());
        QVERIFY(!h.button(D::StopButton)->isEnabled());
        QVERIFY(!h.sound.isPlaying());

        h.run(u"hour 6"_s);
        h.run(u"set"_s);
        QCOMPARE(h.entries(), (QList<AlarmEntry>{at(6, 0, {}, 1, gbkPath)}));
    }

    // Stop ends the preview at once from the dialog too.
    void stopButtonSilences()
    {
        Harness h;
        QTest::mouseClick(h.button(D::PlayButton), Qt::LeftButton);
        QTest::mouseClick(h.button(D::StopButton), Qt::LeftButton);
        QVERIFY(!h.sound.isPlaying());
        QCOMPARE(h.sound.requests.last().kind, RecordingSound::Kind::Stop);
        QVERIFY(h.button(D::PlayButton)->isEnabled());
        QVERIFY(!h.button(D::StopButton)->isEnabled());
    }

    // The window the user sees: caption, size and places from the template in dialog
    // units, the labels, and the icon buttons with Stop disabled.
    void laidOutFromTheTemplate()
    {
        Harness h;
        const DialogUnits units(DialogUnits::dialogFont());
        const DialogTemplate &layout = D::dialogTemplate();
        QCOMPARE(h.dialog->windowTitle(), u"设置闹钟"_s);
        QCOMPARE(h.dialog->size(), units.size(layout.width, layout.height));
        QHash<int, QRect> place;
        for (const DialogControl &c : layout.controls)
            place[c.id] = units.rect(c.x, c.y, c.w, c.h);
        // Every control with an identifier stands at its place, but the edits an arrow
        // narrows, the arrows themselves (checked below) and the drop-down list, whose
        // template height is that of its open list.
        const QList<int> narrowed{D::HourEdit, D::MinuteEdit, D::AlarmsList};
        for (const DialogControl &c : layout.controls) {
            if (c.id == noControlId || c.kind == ControlKind::UpDown || narrowed.contains(c.id))
                continue;
            QVERIFY(h.dialog->GetDlgItem(c.id));
            QCOMPARE(h.dialog->GetDlgItem(c.id)->geometry(), place[c.id]);
        }
        QCOMPARE(h.item<QCheckBox>(D::OnceBox)->text(), u"仅一次"_s);

        // The day toggles in a row under the time, each keeping its state.
        const QStringList letters{u"日"_s, u"一"_s, u"二"_s, u"三"_s, u"四"_s, u"五"_s, u"六"_s};
        const QStringList names{u"星期日"_s, u"星期一"_s, u"星期二"_s, u"星期三"_s,
                                u"星期四"_s, u"星期五"_s, u"星期六"_s};
        for (int d = 0; d < 7; ++d) {
            QPushButton *day = h.button(D::SundayButton + d);
            QCOMPARE(day->text(), letters[d]);
            QCOMPARE(day->accessibleName(), names[d]);
            QVERIFY(day->isCheckable());
        }

        // Each spin sits inside its edit's template place, at the right.
        for (auto [editId, spinId] : {std::pair{int(D::HourEdit), int(D::HourSpin)},
                                      std::pair{int(D::MinuteEdit), int(D::MinuteSpin)}}) {
            const QRect edit = h.edit(editId)->geometry();
            const QRect spin = h.dialog->GetDlgItem(spinId)->geometry();
            QCOMPARE(edit.left(), place[editId].left());
            QCOMPARE(spin.right(), place[editId].right());
            QCOMPARE(edit.right() + 1, spin.left());
            QCOMPARE(spin.height(), place[editId].height());
        }

        QStringList labels;
        for (QLabel *label : h.dialog->findChildren<QLabel *>())
            labels.append(label->text());
        labels.sort();
        QCOMPARE(labels, (QStringList{u":"_s, u"声音:"_s, u"时间:"_s, u"闹钟列表:"_s}));
        QStringList frames;
        for (QGroupBox *frame : h.dialog->findChildren<QGroupBox *>())
            frames.append(frame->title());
        frames.sort();
        QCOMPARE(frames, (QStringList{QString(), u"设置"_s}));
        QCOMPARE(h.button(D::NewButton)->text(), u"新建(&N)"_s);
        QCOMPARE(h.button(D::SetButton)->text(), u"设置(&S)"_s);
        QCOMPARE(h.button(D::RemoveButton)->text(), u"移除(&R)"_s);
        QCOMPARE(h.button(D::BrowseButton)->text(), u"浏览(&B)"_s);
        QCOMPARE(h.showBox()->text(), u"显示消息:"_s);

        // The template has no default button, so none may look like one.
        for (QPushButton *button : h.dialog->findChildren<QPushButton *>())
            QVERIFY2(!button->isDefault(), qPrintable(button->text()));

        QVERIFY(!h.button(D::PlayButton)->icon().isNull());
        QVERIFY(!h.button(D::StopButton)->icon().isNull());
        QVERIFY(h.button(D::PlayButton)->isEnabled());
        QVERIFY(!h.button(D::StopButton)->isEnabled());
    }

    void dayToggles_data()
    {
        QTest::addColumn<QList<AlarmEntry>>("before");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<AlarmEntry>>("after");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("days"); // the toggles afterwards, Sunday first
        QTest::addColumn<bool>("once");
        QTest::addColumn<QStringList>("warnings");
        using Entries = QList<AlarmEntry>;
        using Steps = QStringList;
        const QString all = u"1111111"_s;
        const QString one = u"请至少选择一天。"_s;
        const Steps weekend{u"day 1"_s, u"day 2"_s, u"day 3"_s, u"day 4"_s, u"day 5"_s};

        QTest::newRow("a new alarm: every day, not once")
            << Entries{} << Steps{} << Entries{} << Steps{newEntryLine} << all << false << Steps{};
        QTest::newRow("Monday to Friday")
            << Entries{} << Steps{u"hour 7"_s, u"day 0"_s, u"day 6"_s, u"set"_s}
            << Entries{on(at(7, 0), 0x3E)} << Steps{u"  07:00 一-五"_s, newEntryLine} << all
            << false << Steps{};
        QTest::newRow("weekends: two days are no range")
            << Entries{} << Steps{u"hour 9"_s} + weekend + Steps{u"set"_s}
            << Entries{on(at(9, 0), 0x41)} << Steps{u"  09:00 日 六"_s, newEntryLine} << all
            << false << Steps{};
        QTest::newRow("Monday and Tuesday: two days are no range")
            << Entries{}
            << Steps{u"day 0"_s, u"day 3"_s, u"day 4"_s, u"day 5"_s, u"day 6"_s, u"set"_s}
            << Entries{on(at(0, 0), 0x06)} << Steps{u"  00:00 一 二"_s, newEntryLine} << all
            << false << Steps{};
        QTest::newRow("Monday, Wednesday and Friday")
            << Entries{} << Steps{u"day 0"_s, u"day 2"_s, u"day 4"_s, u"day 6"_s, u"set"_s}
            << Entries{on(at(0, 0), 0x2A)} << Steps{u"  00:00 一 三 五"_s, newEntryLine} << all
            << false << Steps{};
        QTest::newRow("a range and a day")
            << Entries{} << Steps{u"day 0"_s, u"day 4"_s, u"day 5"_s, u"set"_s}
            << Entries{on(at(0, 0), 0x4E)} << Steps{u"  00:00 一-三 六"_s, newEntryLine} << all
            << false << Steps{};
        QTest::newRow("once") << Entries{} << Steps{u"hour 6"_s, u"once"_s, u"set"_s}
                              << Entries{on(at(6, 0), 0x7F, 1)}
                              << Steps{u"  06:00 一次"_s, newEntryLine} << all << false << Steps{};
        QTest::newRow("once, on the next Monday")
            << Entries{} << Steps{u"day 0"_s, u"day 2"_s, u"day 3"_s, u"day 4"_s,
                                  u"day 5"_s, u"day 6"_s, u"once"_s,  u"set"_s}
            << Entries{on(at(0, 0), 0x02, 1)} << Steps{u"  00:00 一 一次"_s, newEntryLine} << all
            << false << Steps{};
        QTest::newRow("a picked alarm shows its days and once")
            << Entries{on(wakeUp, 0x3E, 1)} << Steps{u"pick 0"_s} << Entries{on(wakeUp, 0x3E, 1)}
            << Steps{u"  07:30 一-五 一次"_s, newEntryLine} << u"0111110"_s << true << Steps{};
        QTest::newRow("a picked alarm's days changed: its line follows")
            << Entries{wakeUp, night} << Steps{u"pick 0"_s, u"day 0"_s, u"set"_s}
            << Entries{on(wakeUp, 0x7E), night}
            << Steps{u"  07:30 一-六"_s, u"  22:00"_s, newEntryLine} << all << false << Steps{};
        QTest::newRow("back to every day: the plain line again")
            << Entries{on(wakeUp, 0x41)} << Steps{u"pick 0"_s} + weekend + Steps{u"set"_s}
            << Entries{wakeUp} << Steps{u"  07:30"_s, newEntryLine} << all << false << Steps{};
        QTest::newRow("a once-alarm that rang shows off; set again, it is on")
            << Entries{on(wakeUp, 0x7F, 3)} << Steps{u"pick 0"_s, u"set"_s}
            << Entries{on(wakeUp, 0x7F, 1)} << Steps{u"  07:30 一次"_s, newEntryLine} << all
            << false << Steps{};
        QTest::newRow("once unticked: daily again")
            << Entries{on(wakeUp, 0x7F, 3)} << Steps{u"pick 0"_s, u"once"_s, u"set"_s}
            << Entries{wakeUp} << Steps{u"  07:30"_s, newEntryLine} << all << false << Steps{};
        QTest::newRow("New after a pick: every day again")
            << Entries{on(wakeUp, 0x3E, 1)} << Steps{u"pick 0"_s, u"new"_s}
            << Entries{on(wakeUp, 0x3E, 1)} << Steps{u"  07:30 一-五 一次"_s, newEntryLine} << all
            << false << Steps{};
        QTest::newRow("no day ticked: refused, nothing stored")
            << Entries{wakeUp} << Steps{u"day 0"_s, u"day 6"_s} + weekend + Steps{u"set"_s}
            << Entries{wakeUp} << Steps{u"  07:30"_s, newEntryLine} << u"0000000"_s << false
            << Steps{one};
        QTest::newRow("a file's days outside the week are not shown")
            << Entries{on(wakeUp, 0x81)} << Steps{} << Entries{on(wakeUp, 0x81)}
            << Steps{u"  07:30 日"_s, newEntryLine} << all << false << Steps{};
        QTest::newRow("the next ring skipped: held to the day after, and said so")
            << Entries{on(wakeUp, 0x3E)} << Steps{u"pick 0"_s, u"skip"_s, u"set"_s}
            << Entries{until(on(wakeUp, 0x3E), "2026-12-15")}
            << Steps{u"  07:30 一-五 跳过至 12/15"_s, newEntryLine} << all << false << Steps{};
        QTest::newRow("paused to a date; a pause unticks a skip")
            << Entries{wakeUp} << Steps{u"pick 0"_s, u"skip"_s, u"pause 2027-01-02"_s, u"set"_s}
            << Entries{until(wakeUp, "2027-01-02")}
            << Steps{u"  07:30 暂停至 01/02"_s, newEntryLine} << all << false << Steps{};
        QTest::newRow("a skipped alarm picked shows its skip; unticked, it rings as usual")
            << Entries{until(wakeUp, "2026-12-13")} << Steps{u"pick 0"_s, u"skip"_s, u"set"_s}
            << Entries{wakeUp} << Steps{u"  07:30"_s, newEntryLine} << all << false << Steps{};
        QTest::newRow("skipping a once-alarm's next ring switches it off")
            << Entries{on(wakeUp, 0x7F, 1)} << Steps{u"pick 0"_s, u"skip"_s, u"set"_s}
            << Entries{on(wakeUp, 0x7F, 3)} << Steps{u"  07:30 已关"_s, newEntryLine} << all
            << false << Steps{};
        QTest::newRow("a file's alarm with no day: never")
            << Entries{on(wakeUp, 0x00)} << Steps{} << Entries{on(wakeUp, 0x00)}
            << Steps{u"  07:30 从不"_s, newEntryLine} << all << false << Steps{};
    }

    void dayToggles()
    {
        QFETCH(QList<AlarmEntry>, before);
        QFETCH(QStringList, steps);
        QFETCH(QList<AlarmEntry>, after);
        QFETCH(QStringList, lines);
        QFETCH(QString, days);
        QFETCH(bool, once);
        QFETCH(QStringList, warnings);
        Harness h(before);
        QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
        for (const QString &step : steps)
            h.run(step);
        QCOMPARE(h.entries(), after);
        QCOMPARE(h.lines(), lines);
        h.checkLinesMatchAlarms();
        QCOMPARE(h.shownDays(), days);
        QCOMPARE(h.item<QCheckBox>(D::OnceBox)->isChecked(), once);
        QCOMPARE(h.boxes.texts, warnings);
        if (!warnings.isEmpty())
            QCOMPARE(QApplication::focusWidget(), h.button(D::SundayButton));
    }

    void closedListShowsEveryLineWhole_data()
    {
        QTest::addColumn<bool>("english");
        QTest::newRow("Chinese") << false;
        QTest::newRow("English") << true;
    }

    // Every line the list can hold, any days with once or rung, fits the closed list.
    void closedListShowsEveryLineWhole()
    {
        QFETCH(bool, english);
        QTranslator translator;
        if (english) {
            QVERIFY(translator.load(QStringLiteral(ZELKA_QM_FILE)));
            QCoreApplication::installTranslator(&translator);
        }
        QList<AlarmEntry> all;
        for (int days = 0; days < 128; ++days)
            for (uint8_t flags : {0, 1, 3})
                all.append(on(at(12 + all.size() / 60, all.size() % 60), days, flags));
        Harness h(all);
        QCoreApplication::removeTranslator(&translator);
        QStyleOptionComboBox closed;
        closed.initFrom(h.list());
        const QRect field = h.list()->style()->subControlRect(
            QStyle::CC_ComboBox, &closed, QStyle::SC_ComboBoxEditField, h.list());
        QString widest;
        for (const QString &line : h.lines())
            if (h.list()->fontMetrics().horizontalAdvance(line) >
                h.list()->fontMetrics().horizontalAdvance(widest))
                widest = line;
        // The style draws the text one pixel in from each side of the field.
        QVERIFY2(h.list()->fontMetrics().horizontalAdvance(widest) <= field.width() - 2,
                 qPrintable(widest));
        QCOMPARE(h.lines().last(), english ? u"<New>"_s : newEntryLine);
    }

    // A frame drawn after the buttons it surrounds must not swallow their clicks.
    void framedButtonsTakeClicks()
    {
        Harness h({wakeUp});
        const QPoint centre = h.button(D::RemoveButton)->geometry().center();
        QCOMPARE(h.dialog->childAt(centre), h.button(D::RemoveButton));
        QCOMPARE(h.dialog->childAt(h.button(D::PlayButton)->geometry().center()),
                 h.button(D::PlayButton));
    }
};

QTEST_MAIN(TestAlarmSetDialog)

#include "tst_alarmsetdialog.moc"
