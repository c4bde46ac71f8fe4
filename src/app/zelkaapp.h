#pragma once

#include "alarmlist.h"
#include "desktopnotifier.h"
#include "filepicker.h"
#include "language.h"
#include "messagebox.h"
#include "settingsfile.h"
#include "settingsstore.h"
#include "singleinstance.h"
#include "systemclock.h"

#include <QApplication>

#include <memory>

class FaceWindow;
class HearingCheck;
class PulseOutput;
class RingingGuard;
class SdlSound;
class SignalWatcher;
class WakeAlarm;
class WakePlanner;

// Installs the translation of the program's and Qt's texts for that language; returns the
// language the texts are now in.
Language installTranslations(QCoreApplication &app, Language wanted);

// The application object: start-up order, the saves, the exit statuses.
class ZelkaApp : public QApplication
{
public:
    // The process ended with the display it ran on, after the settings were saved.
    static constexpr int displayLostStatus = 10;
    // Another process holds the settings file's lock and does not answer a knock.
    static constexpr int lockRefusedStatus = 11;

    ZelkaApp(int &argc, char **argv);
    ~ZelkaApp() override;

    // Checks the default sounds, loads the settings, creates and shows the face. False
    // when another clock already runs on this folder's settings file: it has been brought
    // to the front, and this one leaves with status 0. Fatal failures, and a lock held by
    // a process that does not answer, end the process with their exit status.
    bool InitInstance();
    // Saves as a close does, without asking anything of the display: for exits that
    // bypass the close handler.
    void saveIfStillRunning();

private:
    // The exit status that names the failed step, as the manual lists them.
    static int exitStatus(FailureKind kind);
    [[noreturn]] void fatal(const FileFailure &failure);
    [[noreturn]] void refuseStart();
    void saveFailed(const FileFailure &failure, SavePolicy policy);
    // The wake-up plan and the ringing's guard hear the face's clockwork.
    void followClockwork();
    SingleInstance::Reply answerCommand(const QStringList &arguments);

    Language language = Language::Chinese;
    QtMessageBoxes messageBoxes;
    SystemClock clock;
    QtFilePicker files;
    DesktopNotifier notifier;
    std::unique_ptr<SingleInstance> instance;
    std::unique_ptr<SdlSound> sound;
    std::unique_ptr<WakeAlarm> wake;
    std::unique_ptr<PulseOutput> output;
    SettingsStore store;
    // These outlive the face, whose clockwork they hear and whose tooltip asks the plan.
    std::unique_ptr<WakePlanner> wakePlan;
    std::unique_ptr<RingingGuard> guard;
    std::unique_ptr<HearingCheck> hearing;
    std::unique_ptr<FaceWindow> face;
    std::unique_ptr<SignalWatcher> signalWatcher;
};
