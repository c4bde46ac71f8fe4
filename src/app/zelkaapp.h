#pragma once

#include "alarmlist.h"
#include "filepicker.h"
#include "messagebox.h"
#include "settingsfile.h"
#include "systemclock.h"

#include <QApplication>

#include <memory>

class FaceWindow;
class SdlSound;
class SignalWatcher;

// The application object: start-up order, the quit path's save, the exit statuses.
class ZelkaApp : public QApplication
{
public:
    ZelkaApp(int &argc, char **argv);
    ~ZelkaApp() override;

    // Checks the default sounds, loads the settings, creates and shows the face.
    // Fatal failures end the process with their exit status.
    bool InitInstance();
    // Saves as a close does, without asking anything of the display: for exits that
    // bypass the close handler.
    void saveIfStillRunning();

private:
    [[noreturn]] void fatal(const FileFailure &failure);
    void save(const Settings &settings);

    QtMessageBoxes messageBoxes;
    SystemClock clock;
    QtFilePicker files;
    std::unique_ptr<SdlSound> sound;
    AlarmList &alarmList;
    QString settingsPath;
    std::unique_ptr<FaceWindow> face;
    std::unique_ptr<SignalWatcher> signalWatcher;
};
