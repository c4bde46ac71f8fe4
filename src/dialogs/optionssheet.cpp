#include "optionssheet.h"

#include "settings.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <tuple>

namespace {

using Kind = ControlKind;
using namespace ControlStyle;
using enum PropertyPage::Control;

constexpr DialogControl interfaceControls[] = {
    {Check1, Kind::CheckBox, QT_TRANSLATE_NOOP("OptionsSheet", "总在最前面"), 7, 7, 121, 11,
     TabStop},
    {Check2, Kind::CheckBox, QT_TRANSLATE_NOOP("OptionsSheet", "从任务栏中隐藏"), 7, 25, 121, 11,
     TabStop},
    {LoginCheck, Kind::CheckBox, QT_TRANSLATE_NOOP("OptionsSheet", "登录时启动"), 7, 43, 121, 11,
     TabStop},
    {noControlId, Kind::StaticText,
     QT_TRANSLATE_NOOP("OptionsSheet", "你需重新运行程序，上述修改才能生效。"), 0, 59, 135, 24, 0},
};

constexpr DialogControl advancedControls[] = {
    {Check1, Kind::CheckBox, QT_TRANSLATE_NOOP("OptionsSheet", "禁用闹钟功能"), 7, 7, 121, 12,
     TabStop},
    {Check2, Kind::CheckBox, QT_TRANSLATE_NOOP("OptionsSheet", "闹钟最大响铃时间"), 7, 23, 121, 12,
     TabStop},
    {NumberEdit, Kind::Edit, nullptr, 15, 41, 32, 15, Number | TabStop},
    {Spin, Kind::UpDown, nullptr, 37, 42, 11, 15, 0},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("OptionsSheet", "秒"), 51, 46, 35, 10, 0},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("OptionsSheet", "贪睡时间:"), 7, 62, 42, 10,
     0},
    {SnoozeEdit, Kind::Edit, nullptr, 50, 60, 32, 13, Number | TabStop},
    {SnoozeSpin, Kind::UpDown, nullptr, 72, 60, 11, 13, 0},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("OptionsSheet", "分钟"), 86, 62, 35, 10, 0},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("OptionsSheet", "渐强:"), 7, 77, 42, 10, 0},
    {GentleEdit, Kind::Edit, nullptr, 50, 75, 32, 13, Number | TabStop},
    {GentleSpin, Kind::UpDown, nullptr, 72, 75, 11, 13, 0},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("OptionsSheet", "秒"), 86, 77, 35, 10, 0},
};

constexpr DialogControl chimeControls[] = {
    {Check1, Kind::CheckBox, QT_TRANSLATE_NOOP("OptionsSheet", "播放声音间隔时间"), 7, 7, 121, 12,
     TabStop},
    {NumberEdit, Kind::Edit, nullptr, 15, 20, 23, 15, Number | TabStop},
    {Spin, Kind::UpDown, nullptr, 28, 20, 11, 15, 0},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("OptionsSheet", "分"), 43, 23, 26, 11, 0},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("OptionsSheet", "声音:"), 7, 41, 78, 9, 0},
    {SoundEdit, Kind::Edit, nullptr, 7, 52, 107, 14, AutoHScroll | TabStop},
    {BrowseButton, Kind::PushButton, QT_TRANSLATE_NOOP("OptionsSheet", "浏览(&B)"), 7, 68, 36, 15,
     TabStop},
    {PlayButton, Kind::IconButton, nullptr, 83, 68, 16, 15, TabStop},
    {StopButton, Kind::IconButton, nullptr, 99, 68, 16, 15, Disabled | TabStop},
    {noControlId, Kind::StaticText, QT_TRANSLATE_NOOP("OptionsSheet", "( 在1小时内 )"), 65, 23, 56,
     11, 0},
};

constexpr DialogTemplate interfaceTemplate{135, 90, QT_TRANSLATE_NOOP("OptionsSheet", "界面"),
                                           interfaceControls, "OptionsSheet"};
constexpr DialogTemplate advancedTemplate{135, 90, QT_TRANSLATE_NOOP("OptionsSheet", "高级"),
                                          advancedControls, "OptionsSheet"};
constexpr DialogTemplate chimeTemplate{135, 90, QT_TRANSLATE_NOOP("OptionsSheet", "常规响铃"),
                                       chimeControls, "OptionsSheet"};

} // namespace

PropertyPage::PropertyPage(const DialogTemplate &pageTemplate, MessageBoxes &boxes)
    : items(this, pageTemplate), boxes(boxes)
{}

bool PropertyPage::UpdateData(bool saveAndValidate)
{
    loading = !saveAndValidate;
    DataExchange dx(this, saveAndValidate, boxes);
    DoDataExchange(dx);
    loading = false;
    return !dx.failed();
}

void PropertyPage::OnSetActive()
{
    UpdateData(false);
    if (!created) {
        created = true;
        OnInitDialog();
    }
}

void PropertyPage::SetModified(bool changed)
{
    if (changed && !loading && sheet)
        sheet->pageChanged();
}

void PropertyPage::changesOnText(int editId)
{
    connect(items.item<QLineEdit>(editId), &QLineEdit::textChanged, this, [this] { OnChanged(); });
}

void PropertyPage::changesOnClick(int buttonId, std::function<void()> handler)
{
    connect(items.item<QAbstractButton>(buttonId), &QAbstractButton::clicked, this,
            [handler = std::move(handler)] { handler(); });
}

InterfacePage::InterfacePage(MessageBoxes &boxes) : PropertyPage(interfaceTemplate, boxes)
{
    changesOnClick(Check1, [this] { OnChanged(); });
    changesOnClick(Check2, [this] { OnChanged(); });
    changesOnClick(LoginCheck, [this] { OnChanged(); });
}

void InterfacePage::DoDataExchange(DataExchange &dx)
{
    dx.check(items.item<QAbstractButton>(Check1), alwaysOnTop);
    dx.check(items.item<QAbstractButton>(Check2), hideFromTaskbar);
    dx.check(items.item<QAbstractButton>(LoginCheck), startAtLogin);
}

AdvancedPage::AdvancedPage(MessageBoxes &boxes) : PropertyPage(advancedTemplate, boxes)
{
    changesOnClick(Check1, [this] { OnChanged(); });
    changesOnClick(Check2, [this] { OnLimitClicked(); });
    changesOnText(NumberEdit);
    changesOnText(SnoozeEdit);
    changesOnText(GentleEdit);
}

void AdvancedPage::DoDataExchange(DataExchange &dx)
{
    dx.check(items.item<QAbstractButton>(Check1), alarmsDisabled);
    dx.check(items.item<QAbstractButton>(Check2), limitRinging);
    auto *seconds = items.item<QLineEdit>(NumberEdit);
    dx.text(seconds, maxRingSeconds);
    dx.minMax(seconds, maxRingSeconds, 0, 3600);
    auto *snooze = items.item<QLineEdit>(SnoozeEdit);
    dx.text(snooze, snoozeMinutes);
    dx.minMax(snooze, snoozeMinutes, 1, Settings::maxSnoozeMinutes);
    auto *gentle = items.item<QLineEdit>(GentleEdit);
    dx.text(gentle, gentleSeconds);
    dx.minMax(gentle, gentleSeconds, 0, Settings::maxGentleSeconds);
}

void AdvancedPage::OnInitDialog()
{
    auto *spin = items.item<UpDown>(Spin);
    spin->setBuddy(items.item<QLineEdit>(NumberEdit));
    spin->setRange(0, 3600);
    for (auto [editId, spinId, lower, upper] :
         {std::tuple{int(SnoozeEdit), int(SnoozeSpin), 1, Settings::maxSnoozeMinutes},
          std::tuple{int(GentleEdit), int(GentleSpin), 0, Settings::maxGentleSeconds}}) {
        auto *other = items.item<UpDown>(spinId);
        other->setBuddy(items.item<QLineEdit>(editId));
        other->setRange(lower, upper);
    }
    enableSeconds(limitRinging != 0);
}

void AdvancedPage::enableSeconds(bool enabled)
{
    items.item(NumberEdit)->setEnabled(enabled);
    items.item(Spin)->setEnabled(enabled);
}

void AdvancedPage::OnLimitClicked()
{
    SetModified(true);
    enableSeconds(items.item<QAbstractButton>(Check2)->isChecked());
}

ChimePage::ChimePage(MessageBoxes &boxes, Sound &sound, FilePicker &files, int previewPollMs)
    : PropertyPage(chimeTemplate, boxes), picker(sound, files, previewPollMs)
{
    picker.Bind(items.item<QLineEdit>(SoundEdit), items.item<QAbstractButton>(PlayButton),
                items.item<QAbstractButton>(StopButton), this);
    playIcon = loadIcon(131);
    stopIcon = loadIcon(134);
    changesOnClick(Check1, [this] { OnChimeClicked(); });
    changesOnClick(BrowseButton, [this] { picker.Browse(); });
    changesOnClick(PlayButton, [this] { picker.Play(); });
    changesOnClick(StopButton, [this] { picker.Stop(); });
    changesOnText(NumberEdit);
    changesOnText(SoundEdit);
}

void ChimePage::DoDataExchange(DataExchange &dx)
{
    dx.check(items.item<QAbstractButton>(Check1), chimeOn);
    auto *minutes = items.item<QLineEdit>(NumberEdit);
    dx.text(minutes, chimeMinutes);
    dx.minMax(minutes, chimeMinutes, 0, 60);
    dx.text(items.item<QLineEdit>(SoundEdit), chimeSound);
}

void ChimePage::OnInitDialog()
{
    auto *spin = items.item<UpDown>(Spin);
    spin->setBuddy(items.item<QLineEdit>(NumberEdit));
    spin->setRange(0, 60);
    setButtonImage(items.item<QAbstractButton>(PlayButton), playIcon);
    setButtonImage(items.item<QAbstractButton>(StopButton), stopIcon);
    UpdateChimeControls();
}

void ChimePage::OnChimeClicked()
{
    SetModified(true);
    UpdateChimeControls();
}

void ChimePage::UpdateChimeControls()
{
    const bool on = items.item<QAbstractButton>(Check1)->isChecked();
    for (int id : {int(Spin), int(NumberEdit), int(SoundEdit), int(BrowseButton), int(PlayButton),
                   int(StopButton)})
        items.item(id)->setEnabled(on);
}

OptionsSheet::OptionsSheet(QWidget *parent, Sound &sound, FilePicker &files, MessageBoxes &boxes,
                           int previewPollMs)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      interfacePage(*new InterfacePage(boxes)), advancedPage(*new AdvancedPage(boxes)),
      chimePage(*new ChimePage(boxes, sound, files, previewPollMs)), pages(new QTabWidget(this)),
      buttonBox(new QDialogButtonBox(
          QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this))
{
    setWindowTitle(QCoreApplication::translate("OptionsSheet", "选项"));
    setFont(DialogUnits::dialogFont());
    for (PropertyPage *page :
         {static_cast<PropertyPage *>(&interfacePage), static_cast<PropertyPage *>(&advancedPage),
          static_cast<PropertyPage *>(&chimePage)}) {
        page->setSheet(this);
        pages->addTab(page, page->caption());
    }
    buttonBox->button(QDialogButtonBox::Ok)
        ->setText(QCoreApplication::translate("OptionsSheet", "确定"));
    buttonBox->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("OptionsSheet", "取消"));
    buttonBox->button(QDialogButtonBox::Apply)
        ->setText(QCoreApplication::translate("OptionsSheet", "应用(&A)"));
    buttonBox->button(QDialogButtonBox::Apply)->setEnabled(false);
    connect(buttonBox->button(QDialogButtonBox::Ok), &QPushButton::clicked, this,
            &OptionsSheet::OnOK);
    connect(buttonBox->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &OptionsSheet::OnApply);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(pages, &QTabWidget::currentChanged, this, &OptionsSheet::onTabChanged);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addWidget(buttonBox);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

PropertyPage *OptionsSheet::activePage() const
{
    return static_cast<PropertyPage *>(pages->currentWidget());
}

void OptionsSheet::pageChanged()
{
    buttonBox->button(QDialogButtonBox::Apply)->setEnabled(true);
}

void OptionsSheet::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The first page's fields reach its controls when the sheet first shows, after the
    // owner has copied the settings in.
    if (shownIndex < 0) {
        shownIndex = pages->currentIndex();
        activePage()->OnSetActive();
    }
}

void OptionsSheet::onTabChanged(int index)
{
    if (shownIndex < 0 || index == shownIndex)
        return;
    // The page being left must take its controls into its fields first; if they do not
    // validate, the sheet stays on it.
    auto *leaving = static_cast<PropertyPage *>(pages->widget(shownIndex));
    {
        const QSignalBlocker blocker(pages);
        pages->setCurrentIndex(shownIndex);
    }
    if (!leaving->UpdateData(true))
        return;
    {
        const QSignalBlocker blocker(pages);
        pages->setCurrentIndex(index);
    }
    shownIndex = index;
    activePage()->OnSetActive();
}

bool OptionsSheet::OnApply()
{
    if (!activePage()->UpdateData(true))
        return false;
    buttonBox->button(QDialogButtonBox::Apply)->setEnabled(false);
    Q_EMIT applied();
    return true;
}

void OptionsSheet::OnOK()
{
    if (OnApply())
        accept();
}

void OptionsSheet::load(const Settings &settings)
{
    interfacePage.alwaysOnTop = settings.alwaysOnTop;
    interfacePage.hideFromTaskbar = settings.hideFromTaskbar;
    advancedPage.alarmsDisabled = settings.alarmsDisabled;
    advancedPage.limitRinging = settings.limitRinging;
    advancedPage.maxRingSeconds = settings.maxRingSeconds;
    advancedPage.snoozeMinutes = settings.snoozeMinutes;
    advancedPage.gentleSeconds = settings.gentleSeconds;
    chimePage.chimeOn = settings.chimeOn;
    chimePage.chimeMinutes = settings.chimeMinutes;
    chimePage.chimeSound = settings.chimeSound;
}

void OptionsSheet::store(Settings &settings) const
{
    settings.alwaysOnTop = interfacePage.alwaysOnTop;
    settings.hideFromTaskbar = interfacePage.hideFromTaskbar;
    settings.alarmsDisabled = advancedPage.alarmsDisabled;
    settings.limitRinging = advancedPage.limitRinging;
    settings.maxRingSeconds = advancedPage.maxRingSeconds;
    settings.snoozeMinutes = advancedPage.snoozeMinutes;
    settings.gentleSeconds = advancedPage.gentleSeconds;
    settings.chimeOn = chimePage.chimeOn;
    settings.chimeMinutes = chimePage.chimeMinutes;
    settings.chimeSound = chimePage.chimeSound;
}
