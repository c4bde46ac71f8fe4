#pragma once

#include "clock.h"
#include "commands.h"
#include "sound.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>

#include <deque>
#include <optional>

class AlarmMessageDialog;
class AlarmSetDialog;
class Clockwork;
class FaceWindow;
class FilePicker;
class MessageBoxes;
class Notifier;
class OptionsSheet;
class SettingsStore;
class WakePlanner;

// The services the face and the dialogs it opens use.
struct FaceServices {
    Sound &sound;
    const Clock &clock;
    FilePicker &files;
    MessageBoxes &messageBoxes;
    Notifier &notifier;
    // The face's timers run this many times faster: a test's clock need not wait real seconds.
    int timerSpeedUp = 1;
    // Whether a suspended machine wakes for the alarms; none: the clock does not try.
    const WakePlanner *wake = nullptr;
};

// Who asked the clock to quit: only the user's own quit is told what it leaves unrung.
enum class QuitBy { User, System };

// What the face opens, routes and saves, beside the view that draws it: the clockwork's
// events to the notifications and the saver, the notification's buttons back to the face,
// the alarms' messages one popup at a time, the three dialogs the face's buttons open, and
// the quit path.
class FaceController : public QObject
{
    Q_OBJECT

public:
    // How long a quit waits for its notice to reach the notification server.
    static constexpr int quitNoticeBoundMs = 500;

    FaceController(FaceWindow &face, SettingsStore &store, const Clockwork &works,
                   FaceServices services);
    ~FaceController() override;

    // Saves, closes the face and ends the application; a second request waits for the first.
    void quit(QuitBy by);
    // A close request that a modal dialog would swallow: the dialogs go, then the quit.
    void quitUnderDialogs();
    // Saves as the quit does but keeps running: the desktop session is ending.
    void saveNow();
    bool isClosed() const { return closed; }

    void openAlarms();
    void openOptions();
    void openLogo();
    // An alarm's message: shown now, or after the messages already waiting.
    void showMessage(const QByteArray &message, int minuteOfDay);
    // The face is going: no message waits, and none shows.
    void dropMessages();
    void reportChange();
    // A command from a later start, applied as the face's buttons and the alarm dialog would.
    Commands::Answer runCommand(const CommandLine::Request &request);
    // Whether a suspended machine wakes for the alarms; none while not known.
    std::optional<bool> canWake() const;
    // The bell's description: the next ringing and how long until it, or that none will.
    QString nextAlarmText() const;

Q_SIGNALS:
    // The quit is under way: the face lets its bitmaps go before the last save.
    void quitting();
    // The alarms or the settings changed, and are being saved.
    void changed();
    // The user set alarms, in the alarm dialog or by a command.
    void alarmsSet();
    // The user is done setting alarms for now: the alarm dialog closed, or a command ran.
    void alarmsSettled();
    // "选项" switched the alarms back on.
    void alarmsSwitchedOn();

private:
    void showNextMessage();
    void tellWhatWillNotRing();
    void copyIntoSheet(OptionsSheet &sheet) const;
    void copyFromSheet(const OptionsSheet &sheet);
    void keepSnooze();

    FaceWindow &face;
    SettingsStore &store;
    FaceServices services;
    const Clockwork &works;
    QPointer<AlarmMessageDialog> popup;
    QPointer<AlarmSetDialog> alarmDialog; // while "设置闹钟" is open
    struct Message {
        QByteArray text;
        int minuteOfDay;
    };
    std::deque<Message> waiting; // messages after the one that shows, oldest first
    bool closing = false;        // the quit is under way, or done
    bool closed = false;
};
