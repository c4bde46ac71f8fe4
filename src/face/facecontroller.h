#pragma once

#include "alarmlist.h"
#include "clock.h"
#include "settings.h"
#include "sound.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

class AlarmMessageDialog;
class Clockwork;
class FaceWindow;
class FilePicker;
class MessageBoxes;
class Notifier;
class OptionsSheet;

// The services the face and the dialogs it opens use.
struct FaceServices {
    Sound &sound;
    const Clock &clock;
    FilePicker &files;
    MessageBoxes &messageBoxes;
    Notifier &notifier;
};

// What the face opens and routes, beside the view that draws it: the clockwork's events to
// the notifications and the saver, the notification's buttons back to the face, the
// alarms' messages one popup at a time, and the three dialogs the face's buttons open.
class FaceController : public QObject
{
    Q_OBJECT

public:
    // changed runs after every change the settings file carries.
    using ChangeFunction = std::function<void()>;

    FaceController(FaceWindow &face, Settings &settings, AlarmList &alarms, const Clockwork &works,
                   FaceServices services, ChangeFunction changed);
    ~FaceController() override;

    void openAlarms();
    void openOptions();
    void openLogo();
    // An alarm's message: shown now, or after the messages already waiting.
    void showMessage(const QByteArray &message, int minuteOfDay);
    // The face is going: no message waits, and none shows.
    void dropMessages();
    void reportChange();

private:
    void showNextMessage();
    void copyIntoSheet(OptionsSheet &sheet) const;
    void copyFromSheet(const OptionsSheet &sheet);

    FaceWindow &face;
    Settings &settings;
    AlarmList &alarms;
    FaceServices services;
    ChangeFunction changed;
    QPointer<AlarmMessageDialog> popup;
    struct Message {
        QByteArray text;
        int minuteOfDay;
    };
    std::deque<Message> waiting; // messages after the one that shows, oldest first
};
