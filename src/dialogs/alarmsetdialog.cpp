#include "alarmsetdialog.h"

#include "alarmlist.h"
#include "messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <iterator>

namespace {

using Kind = ControlKind;
using namespace ControlStyle;
using D = AlarmSetDialog;

// The day toggles' texts, Sunday first.
constexpr const char *dayLetters[] = {
    QT_TRANSLATE_NOOP("AlarmSetDialog", "日"), QT_TRANSLATE_NOOP("AlarmSetDialog", "一"),
    QT_TRANSLATE_NOOP("AlarmSetDialog", "二"), QT_TRANSLATE_NOOP("AlarmSetDialog", "三"),
    QT_TRANSLATE_NOOP("AlarmSetDialog", "四"), QT_TRANSLATE_NOOP("AlarmSetDialog", "五"),
    QT_TRANSLATE_NOOP("AlarmSetDialog", "六"),
};

// The list of alarms is wider than the original's, by this much, and everything right of
// it moves over: a line's days, "  16:34 Su Mo We Th Sa once" at the longest, must show
// in the closed list, whose text the style cuts at its edge.
constexpr int widening = 55;

// One of the seven day toggles in a row under the time.
constexpr DialogControl dayToggle(int day)
{
    return {D::SundayButton + day,
            Kind::ToggleButton,
            dayLetters[day],
            widening + 67 + 15 * day,
            34,
            14,
            12,
            TabStop};
}

// Template order is the tab order.
constexpr DialogControl alarmSetControls[] = {
    {D::AlarmsList, Kind::DropDownList, nullptr, 7, 15, 49 + widening, 89, TabStop},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("AlarmSetDialog", "闹钟列表:"), 7, 4, 42, 10,
     0},
    {D::NewButton, Kind::PushButton, QT_TRANSLATE_NOOP("AlarmSetDialog", "新建(&N)"),
     14 + widening / 2, 43, 36, 15, TabStop},
    {D::SetButton, Kind::PushButton, QT_TRANSLATE_NOOP("AlarmSetDialog", "设置(&S)"),
     14 + widening / 2, 63, 36, 15, TabStop},
    {D::RemoveButton, Kind::PushButton, QT_TRANSLATE_NOOP("AlarmSetDialog", "移除(&R)"),
     14 + widening / 2, 82, 36, 15, TabStop},
    {D::HourEdit, Kind::Edit, nullptr, widening + 92, 17, 23, 13, Number | TabStop},
    {D::MinuteEdit, Kind::Edit, nullptr, widening + 124, 17, 23, 13, Number | TabStop},
    dayToggle(0),
    dayToggle(1),
    dayToggle(2),
    dayToggle(3),
    dayToggle(4),
    dayToggle(5),
    dayToggle(6),
    {D::OnceBox, Kind::CheckBox, QT_TRANSLATE_NOOP("AlarmSetDialog", "仅一次"), widening + 68, 50,
     76, 8, TabStop},
    {noControlId, Kind::GroupBox, nullptr, 7, 31, 50 + widening, 76, 0},
    {D::MessageEdit, Kind::Edit, nullptr, widening + 67, 71, 105, 55,
     MultiLine | Centre | UpperCase | TabStop},
    {D::ShowMessageBox, Kind::CheckBox, QT_TRANSLATE_NOOP("AlarmSetDialog", "显示消息:"),
     widening + 68, 62, 76, 8, TabStop},
    {noControlId, Kind::GroupBox, QT_TRANSLATE_NOOP("AlarmSetDialog", "设置"), widening + 61, 4,
     118, 177, 0},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("AlarmSetDialog", "时间:"), widening + 68, 19,
     21, 9, 0},
    {D::HourSpin, Kind::UpDown, nullptr, widening + 102, 17, 11, 13, 0},
    {D::MinuteSpin, Kind::UpDown, nullptr, widening + 136, 17, 11, 13, 0},
    {noControlId, Kind::StaticText, ":", widening + 115, 17, 8, 12, Centre},
    {D::SoundEdit, Kind::Edit, nullptr, widening + 66, 143, 107, 14, AutoHScroll | TabStop},
    {D::BrowseButton, Kind::PushButton, QT_TRANSLATE_NOOP("AlarmSetDialog", "浏览(&B)"),
     widening + 66, 162, 36, 15, TabStop},
    {D::PlayButton, Kind::IconButton, nullptr, widening + 141, 162, 16, 15, TabStop},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("AlarmSetDialog", "声音:"), widening + 66,
     133, 78, 9, 0},
    {D::StopButton, Kind::IconButton, nullptr, widening + 157, 162, 16, 15, Disabled | TabStop},
};

constexpr DialogTemplate alarmSetTemplate{187 + widening, 188,
                                          QT_TRANSLATE_NOOP("AlarmSetDialog", "设置闹钟"),
                                          alarmSetControls, "AlarmSetDialog"};

} // namespace

const DialogTemplate &AlarmSetDialog::dialogTemplate()
{
    return alarmSetTemplate;
}

namespace {

// The last line of the list, after every alarm.
QString newEntryLine()
{
    return QCoreApplication::translate("AlarmSetDialog", "<新建>");
}

// What a screen reader calls the day toggles.
const char *const dayNames[] = {
    QT_TRANSLATE_NOOP("AlarmSetDialog", "星期日"), QT_TRANSLATE_NOOP("AlarmSetDialog", "星期一"),
    QT_TRANSLATE_NOOP("AlarmSetDialog", "星期二"), QT_TRANSLATE_NOOP("AlarmSetDialog", "星期三"),
    QT_TRANSLATE_NOOP("AlarmSetDialog", "星期四"), QT_TRANSLATE_NOOP("AlarmSetDialog", "星期五"),
    QT_TRANSLATE_NOOP("AlarmSetDialog", "星期六"),
};

QString translated(const char *text)
{
    return QCoreApplication::translate("AlarmSetDialog", text);
}

// The ticked days, Sunday first; three or more in a row as a range: "一-五", "日 六".
QString daysText(uint8_t mask)
{
    QStringList parts;
    for (int d = 0; d < 7;) {
        if (!(mask >> d & 1)) {
            ++d;
            continue;
        }
        int end = d;
        while (end + 1 < 7 && (mask >> (end + 1) & 1))
            ++end;
        if (end - d >= 2) {
            parts.append(translated(dayLetters[d]) + u'-' + translated(dayLetters[end]));
        } else {
            for (int k = d; k <= end; ++k)
                parts.append(translated(dayLetters[k]));
        }
        d = end + 1;
    }
    return parts.join(u' ');
}

// Two spaces, then the zero-padded time: "  07:05"; then the days unless every day, and
// whether it rings once or has done so: "  07:30 一-五", "  06:00 一次", "  06:00 已关".
QString displayString(const AlarmEntry &entry)
{
    QString line = QString::asprintf("  %d%d:%d%d", entry.hour / 10, entry.hour % 10,
                                     entry.minute / 10, entry.minute % 10);
    const uint8_t mask = entry.weekdays & AlarmEntry::everyDay;
    if (mask == 0)
        line += u' ' + translated(QT_TRANSLATE_NOOP("AlarmSetDialog", "从不"));
    else if (mask != AlarmEntry::everyDay)
        line += u' ' + daysText(mask);
    if (entry.isDone())
        line += u' ' + translated(QT_TRANSLATE_NOOP("AlarmSetDialog", "已关"));
    else if (entry.isOnce())
        line += u' ' + translated(QT_TRANSLATE_NOOP("AlarmSetDialog", "一次"));
    return line;
}

} // namespace

AlarmSetDialog::AlarmSetDialog(QWidget *parent, AlarmList &alarms, Sound &player, FilePicker &files,
                               MessageBoxes &boxes, int previewPollMs)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      picker(player, files, previewPollMs), alarms(alarms), boxes(boxes), items(this, alarmSetTemplate)
{
    ResetFields();
    playIcon = loadIcon(131);
    stopIcon = loadIcon(134);
    picker.Bind(items.item<QLineEdit>(SoundEdit), items.item<QPushButton>(PlayButton),
                items.item<QPushButton>(StopButton), this);

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

    for (int d = 0; d < 7; ++d)
        items.item(SundayButton + d)->setAccessibleName(translated(dayNames[d]));
    // What a screen reader calls the fields; a label beside a field names it.
    items.setBuddy("闹钟列表:", AlarmsList);
    items.setBuddy("时间:", HourEdit);
    items.setBuddy("声音:", SoundEdit);
    items.item(HourEdit)->setAccessibleName(
        translated(QT_TRANSLATE_NOOP("AlarmSetDialog", "小时")));
    items.item(MinuteEdit)
        ->setAccessibleName(translated(QT_TRANSLATE_NOOP("AlarmSetDialog", "分钟")));
    items.item(MessageEdit)
        ->setAccessibleName(translated(QT_TRANSLATE_NOOP("AlarmSetDialog", "消息")));

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
    for (int d = 0; d < 7; ++d)
        dx.check(items.item<QAbstractButton>(SundayButton + d), days[d]);
    dx.require(weekdayMask() != 0, items.item(SundayButton),
               translated(QT_TRANSLATE_NOOP("AlarmSetDialog", "请至少选择一天。")));
    dx.check(items.item<QAbstractButton>(OnceBox), onceOnly);
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
        for (int d = 0; d < 7; ++d)
            days[d] = entry.weekdays >> d & 1;
        onceOnly = entry.isOnce() ? 1 : 0;
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

void AlarmSetDialog::alarmsChangedElsewhere()
{
    QComboBox *lines = alarmLines();
    const QSignalBlocker quiet(lines);
    lines->clear();
    for (int i = 0; i < alarms.GetSize(); ++i)
        lines->addItem(displayString(alarms[i]));
    lines->addItem(newEntryLine());
    lines->setCurrentIndex(alarms.GetSize());
}

void AlarmSetDialog::OnSet()
{
    if (!UpdateData(true))
        return;
    // Set again, a once-alarm that has rung is on for its next occurrence.
    const AlarmEntry entry{hour,
                           minute,
                           message,
                           showMessage,
                           sound,
                           weekdayMask(),
                           uint8_t(onceOnly ? AlarmEntry::once : 0)};
    // Every entry in front of the one SetInOrder placed is earlier, so the first entry at
    // this minute is the new or replaced one, and its line has the same index.
    const bool replaced = alarms.SetInOrder(entry);
    int at = 0;
    while (alarms[at].minuteOfDay() != entry.minuteOfDay())
        ++at;
    if (replaced)
        alarmLines()->setItemText(at, displayString(entry));
    else
        alarmLines()->insertItem(at, displayString(entry));
    Q_EMIT changed();
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
        Q_EMIT changed();
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
    std::fill(std::begin(days), std::end(days), 1);
    onceOnly = 0;
}

uint8_t AlarmSetDialog::weekdayMask() const
{
    uint8_t mask = 0;
    for (int d = 0; d < 7; ++d)
        if (days[d])
            mask |= uint8_t(1u << d);
    return mask;
}

void AlarmSetDialog::enableMessageEdit()
{
    items.item(MessageEdit)->setEnabled(showMessage != 0);
}

QComboBox *AlarmSetDialog::alarmLines() const
{
    return items.item<QComboBox>(AlarmsList);
}
