#include "alarmsetdialog.h"

#include "alarmlist.h"
#include "messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

using Kind = ControlKind;
using namespace ControlStyle;
using D = AlarmSetDialog;

// Template order is the tab order.
constexpr DialogControl alarmSetControls[] = {
    {D::AlarmsList, Kind::DropDownList, nullptr, 7, 15, 49, 89, TabStop},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("AlarmSetDialog", "闹钟列表:"), 7, 4, 42, 10,
     0},
    {D::NewButton, Kind::PushButton, QT_TRANSLATE_NOOP("AlarmSetDialog", "新建(&N)"), 14, 43, 36,
     15, TabStop},
    {D::SetButton, Kind::PushButton, QT_TRANSLATE_NOOP("AlarmSetDialog", "设置(&S)"), 14, 63, 36,
     15, TabStop},
    {D::RemoveButton, Kind::PushButton, QT_TRANSLATE_NOOP("AlarmSetDialog", "移除(&R)"), 14, 82, 36,
     15, TabStop},
    {D::HourEdit, Kind::Edit, nullptr, 92, 17, 23, 13, Number | TabStop},
    {D::MinuteEdit, Kind::Edit, nullptr, 124, 17, 23, 13, Number | TabStop},
    {noControlId, Kind::GroupBox, nullptr, 7, 31, 50, 76, 0},
    {D::MessageEdit, Kind::Edit, nullptr, 67, 45, 105, 55,
     MultiLine | Centre | UpperCase | TabStop},
    {D::ShowMessageBox, Kind::CheckBox, QT_TRANSLATE_NOOP("AlarmSetDialog", "显示消息:"), 68, 36,
     76, 8, TabStop},
    {noControlId, Kind::GroupBox, QT_TRANSLATE_NOOP("AlarmSetDialog", "设置"), 61, 4, 118, 151, 0},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("AlarmSetDialog", "时间:"), 68, 19, 21, 9, 0},
    {D::HourSpin, Kind::UpDown, nullptr, 102, 17, 11, 13, 0},
    {D::MinuteSpin, Kind::UpDown, nullptr, 136, 17, 11, 13, 0},
    {noControlId, Kind::StaticText, ":", 115, 17, 8, 12, Centre},
    {D::SoundEdit, Kind::Edit, nullptr, 66, 117, 107, 14, AutoHScroll | TabStop},
    {D::BrowseButton, Kind::PushButton, QT_TRANSLATE_NOOP("AlarmSetDialog", "浏览(&B)"), 66, 136,
     36, 15, TabStop},
    {D::PlayButton, Kind::IconButton, nullptr, 141, 136, 16, 15, TabStop},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("AlarmSetDialog", "声音:"), 66, 107, 78, 9,
     0},
    {D::StopButton, Kind::IconButton, nullptr, 157, 136, 16, 15, Disabled | TabStop},
};

constexpr DialogTemplate alarmSetTemplate{187, 162, QT_TRANSLATE_NOOP("AlarmSetDialog", "设置闹钟"),
                                          alarmSetControls, "AlarmSetDialog"};

// The last line of the list, after every alarm.
QString newEntryLine()
{
    return QCoreApplication::translate("AlarmSetDialog", "<新建>");
}

// Two spaces, then the zero-padded time: "  07:05".
QString displayString(const AlarmEntry &entry)
{
    return QString::asprintf("  %d%d:%d%d", entry.hour / 10, entry.hour % 10, entry.minute / 10,
                             entry.minute % 10);
}

} // namespace

AlarmSetDialog::AlarmSetDialog(QWidget *parent, AlarmList &alarms, Sound &player, FilePicker &files,
                               MessageBoxes &boxes)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      picker(player, files), alarms(alarms), boxes(boxes), items(this, alarmSetTemplate)
{
    ResetFields();
    playIcon = loadIcon(131);
    stopIcon = loadIcon(134);
    picker.Bind(items.item<QLineEdit>(SoundEdit), items.item<QPushButton>(PlayButton),
                items.item<QPushButton>(StopButton), 1, this);

    connect(alarmLines(), &QComboBox::activated, this, &AlarmSetDialog::OnSelectionChange);
    const auto onClick = [this](int id, auto handler) {
        connect(items.item<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    };
    onClick(NewButton, [this] { OnNew(); });
    onClick(SetButton, [this] { OnSet(); });
    onClick(RemoveButton, [this] { OnRemove(); });
    onClick(ShowMessageBox, [this] { OnToggleMessage(); });
    onClick(BrowseButton, [this] { picker.Browse(); });
    onClick(PlayButton, [this] { picker.Play(); });
    onClick(StopButton, [this] { picker.Stop(); });

    OnInitDialog();
}

void AlarmSetDialog::OnInitDialog()
{
    UpdateData(false);
    QComboBox *lines = alarmLines();
    for (int i = 0; i < alarms.GetSize(); ++i)
        lines->addItem(displayString(alarms[i]));
    lines->addItem(newEntryLine());
    lines->setCurrentIndex(alarms.GetSize());

    auto *hourSpin = items.item<UpDown>(HourSpin);
    auto *minuteSpin = items.item<UpDown>(MinuteSpin);
    hourSpin->setBuddy(items.item<QLineEdit>(HourEdit));
    minuteSpin->setBuddy(items.item<QLineEdit>(MinuteEdit));
    hourSpin->setRange(0, 23);
    minuteSpin->setRange(0, 59);

    setButtonImage(items.item<QPushButton>(PlayButton), playIcon);
    setButtonImage(items.item<QPushButton>(StopButton), stopIcon);
    // The first tab stop starts with the focus.
    lines->setFocus();
}

void AlarmSetDialog::DoDataExchange(DataExchange &dx)
{
    auto *hourEdit = items.item<QLineEdit>(HourEdit);
    auto *minuteEdit = items.item<QLineEdit>(MinuteEdit);
    dx.text(hourEdit, hour);
    dx.minMax(hourEdit, hour, 0, 23);
    dx.text(minuteEdit, minute);
    dx.minMax(minuteEdit, minute, 0, 59);
    dx.text(items.item<QPlainTextEdit>(MessageEdit), message);
    dx.check(items.item<QAbstractButton>(ShowMessageBox), showMessage);
    dx.text(items.item<QLineEdit>(SoundEdit), sound);
}

bool AlarmSetDialog::UpdateData(bool saveAndValidate)
{
    DataExchange dx(this, saveAndValidate, boxes);
    DoDataExchange(dx);
    return !dx.failed();
}

void AlarmSetDialog::timerEvent(QTimerEvent *)
{
    // The preview's poll is the only timer this dialog runs.
    picker.Poll();
}

void AlarmSetDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter that no control took (a focused push button takes it) is the dialog's OK.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers others =
        event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (enter && others == Qt::NoModifier) {
        OnOK();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AlarmSetDialog::OnOK()
{
    // Closes only with valid fields; nothing is stored either way.
    if (UpdateData(true))
        accept();
}

void AlarmSetDialog::OnSelectionChange()
{
    const int i = alarmLines()->currentIndex();
    if (i == alarms.GetSize()) {
        ResetFields();
    } else {
        const AlarmEntry &entry = alarms[i];
        hour = entry.hour;
        minute = entry.minute;
        message = entry.message;
        showMessage = entry.showMessage;
        sound = entry.sound;
    }
    enableMessageEdit();
    UpdateData(false);
}

void AlarmSetDialog::OnNew()
{
    alarmLines()->setCurrentIndex(alarms.GetSize());
    ResetFields();
    enableMessageEdit();
    UpdateData(false);
}

void AlarmSetDialog::OnSet()
{
    if (!UpdateData(true))
        return;
    const AlarmEntry entry{hour, minute, message, showMessage, sound};
    if (!alarms.SetInOrder(entry)) {
        // Every entry in front of the one SetInOrder placed is earlier, so the first
        // entry at this minute is the new one, and its line goes to the same index.
        int at = 0;
        while (alarms[at].minuteOfDay() != entry.minuteOfDay())
            ++at;
        alarmLines()->insertItem(at, displayString(entry));
    }
    if (changed)
        changed();
    alarmLines()->setCurrentIndex(alarms.GetSize());
    ResetFields();
    enableMessageEdit();
    UpdateData(false);
}

void AlarmSetDialog::OnRemove()
{
    const int i = alarmLines()->currentIndex();
    if (i == alarms.GetSize()) {
        boxes.warning(this, QCoreApplication::translate("AlarmSetDialog", "没有选择!"));
    } else {
        alarms.RemoveAt(i);
        if (changed)
            changed();
        alarmLines()->removeItem(i);
        alarmLines()->setCurrentIndex(alarms.GetSize());
        ResetFields();
        enableMessageEdit();
        UpdateData(false);
    }
    alarmLines()->setFocus();
}

void AlarmSetDialog::OnToggleMessage()
{
    // The box has toggled its own tick already; the field follows it.
    showMessage = showMessage == 0 ? 1 : 0;
    enableMessageEdit();
}

void AlarmSetDialog::ResetFields()
{
    hour = 0;
    minute = 0;
    message.clear();
    showMessage = 1;
    sound = QByteArrayLiteral("Ring.wav");
}

void AlarmSetDialog::enableMessageEdit()
{
    items.item(MessageEdit)->setEnabled(showMessage != 0);
}

QComboBox *AlarmSetDialog::alarmLines() const
{
    return items.item<QComboBox>(AlarmsList);
}
