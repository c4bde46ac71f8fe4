#pragma once

#include "dataexchange.h"
#include "dialogtemplate.h"
#include "settings.h"
#include "soundpicker.h"

#include <QByteArray>
#include <QDialog>
#include <QIcon>
#include <QWidget>

#include <cstdint>
#include <functional>

class FilePicker;
class MessageBoxes;
class OptionsSheet;
class QDialogButtonBox;
class QTabWidget;
class Sound;

// One tab of the options sheet. Its fields hold copies of settings; they move to and from
// the controls only through the page's data exchange.
class PropertyPage : public QWidget
{
public:
    // The pages' controls; the same number is the same kind of control on each page.
    enum Control : int {
        Check1 = 1032,
        Check2 = 1033,
        NumberEdit = 1029,
        Spin = 1034,
        SoundEdit = 1030,
        BrowseButton = 1026,
        PlayButton = 1027,
        StopButton = 1028,
        LoginCheck = 1035,
        SnoozeEdit = 1036,
        SnoozeSpin = 1037,
        GentleEdit = 1038,
        GentleSpin = 1039,
    };

    PropertyPage(const DialogTemplate &pageTemplate, MessageBoxes &boxes);

    // Fields -> controls (false) or controls -> fields with validation (true).
    bool UpdateData(bool saveAndValidate);
    // Fields into the controls each time the page comes on top; the first time also
    // runs the page's own initialisation.
    void OnSetActive();
    // Tells the sheet that the page changed, which enables Apply.
    void SetModified(bool changed);

    void setSheet(OptionsSheet *owner) { sheet = owner; }
    QString caption() const { return windowTitle(); }
    QWidget *GetDlgItem(int id) const { return items.item(id); }

protected:
    virtual void DoDataExchange(DataExchange &dx) = 0;
    virtual void OnInitDialog() {}
    void OnChanged() { SetModified(true); }
    // Marks the page modified whenever the text of an edit changes, but not while the
    // exchange itself writes the controls.
    void changesOnText(int editId);
    void changesOnClick(int buttonId, std::function<void()> handler);

    DialogItems items;

private:
    MessageBoxes &boxes;
    OptionsSheet *sheet = nullptr;
    bool created = false;
    bool loading = false;
};

class InterfacePage : public PropertyPage
{
public:
    explicit InterfacePage(MessageBoxes &boxes);

    int32_t alwaysOnTop = 0;
    int32_t hideFromTaskbar = 0;
    // Start at login; kept in the desktop's autostart folder, not in the settings file.
    int32_t startAtLogin = 0;

protected:
    void DoDataExchange(DataExchange &dx) override;
};

class AdvancedPage : public PropertyPage
{
public:
    explicit AdvancedPage(MessageBoxes &boxes);

    int32_t alarmsDisabled = 0;
    int32_t limitRinging = 0;
    int32_t maxRingSeconds = 0;
    int32_t snoozeMinutes = Settings::defaultSnoozeMinutes;
    int32_t gentleSeconds = 0;

protected:
    void DoDataExchange(DataExchange &dx) override;
    void OnInitDialog() override;

private:
    void OnLimitClicked();
    void enableSeconds(bool enabled);
};

class ChimePage : public PropertyPage
{
public:
    ChimePage(MessageBoxes &boxes, Sound &sound, FilePicker &files, int previewPollMs);

    int32_t chimeOn = 0;
    int32_t chimeMinutes = 0;
    QByteArray chimeSound; // GBK
    SoundPicker picker;
    QIcon playIcon;
    QIcon stopIcon;

protected:
    void DoDataExchange(DataExchange &dx) override;
    void OnInitDialog() override;

private:
    void OnChimeClicked();
    void UpdateChimeControls();
};

// "选项": three pages with OK, Cancel and Apply. The pages hold copies of the settings;
// the owner takes them back through `applied`, which runs when Apply or OK has taken the
// page on top into its fields. Cancel hands nothing back.
class OptionsSheet : public QDialog
{
    Q_OBJECT

public:
    OptionsSheet(QWidget *parent, Sound &sound, FilePicker &files, MessageBoxes &boxes,
                 int previewPollMs = SoundPicker::pollIntervalMs);

    InterfacePage &interfacePage;
    AdvancedPage &advancedPage;
    ChimePage &chimePage;

    // The settings file's fields the pages edit, copied in before showing and out from
    // `applied`; start-at-login is not one of them.
    void load(const Settings &settings);
    void store(Settings &settings) const;

    QTabWidget *tabs() const { return pages; }
    QDialogButtonBox *buttons() const { return buttonBox; }
    PropertyPage *activePage() const;
    void pageChanged();

Q_SIGNALS:
    void applied();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onTabChanged(int index);
    bool OnApply();
    void OnOK();

    QTabWidget *pages;
    QDialogButtonBox *buttonBox;
    int shownIndex = -1;
};
