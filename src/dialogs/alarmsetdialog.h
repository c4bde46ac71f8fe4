#pragma once

#include "dataexchange.h"
#include "dialogtemplate.h"
#include "soundpicker.h"

#include <QByteArray>
#include <QDialog>
#include <QIcon>

#include <cstdint>

class AlarmList;
struct AlarmEntry;
class FilePicker;
class MessageBoxes;
class QComboBox;
class Sound;

// "设置闹钟": creates, changes and removes the alarms. It edits the live alarm list
// in place, so every Set and Remove takes effect at once; closing it changes nothing.
// Line i of the drop-down list is alarm i, and the last line is "<新建>".
class AlarmSetDialog : public QDialog
{
    Q_OBJECT

public:
    enum Control : int {
        AlarmsList = 1025,
        NewButton = 1026,
        SetButton = 1027,
        RemoveButton = 1028,
        HourEdit = 1029,
        MinuteEdit = 1030,
        MessageEdit = 1031,
        ShowMessageBox = 1032,
        BrowseButton = 1033,
        HourSpin = 1034,
        MinuteSpin = 1035,
        PlayButton = 1036,
        SoundEdit = 1037,
        StopButton = 1038,
        // Sunday first, as the weekday bits go.
        SundayButton = 1039,
        MondayButton,
        TuesdayButton,
        WednesdayButton,
        ThursdayButton,
        FridayButton,
        SaturdayButton,
        OnceBox = 1046,
    };

    AlarmSetDialog(QWidget *parent, AlarmList &alarms, Sound &player, FilePicker &files,
                   MessageBoxes &boxes, int previewPollMs = SoundPicker::pollIntervalMs);

    QWidget *GetDlgItem(int id) const { return items.item(id); }
    // The alarms changed from outside (a command): the list shows them; the fields keep
    // what the user is typing.
    void alarmsChangedElsewhere();
    // What the dialog is built from, in dialog units.
    static const DialogTemplate &dialogTemplate();

Q_SIGNALS:
    // After every Set and Remove, once the list has changed.
    void changed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void OnInitDialog();
    void DoDataExchange(DataExchange &dx);
    bool UpdateData(bool saveAndValidate);

    void OnSelectionChange();
    void OnNew();
    void OnSet();
    void OnRemove();
    void OnToggleMessage();
    void OnOK();
    void ResetFields();

    void enableMessageEdit();
    QComboBox *alarmLines() const;
    uint8_t weekdayMask() const;

    // The entry being edited.
    int32_t hour = 0;
    int32_t minute = 0;
    QByteArray message;
    QByteArray sound;
    int32_t showMessage = 0;
    int32_t days[7] = {}; // 0 or 1, Sunday first
    int32_t onceOnly = 0;

    QIcon playIcon;
    QIcon stopIcon;
    SoundPicker picker;

    AlarmList &alarms;
    MessageBoxes &boxes;
    DialogItems items;
};
