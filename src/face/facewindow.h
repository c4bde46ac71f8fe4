#pragma once

#include "alarmlist.h"
#include "settings.h"

#include <QImage>
#include <QWidget>

#include <functional>

// The clock's one window: frameless, 157 x 136, a 1-pixel border and a 2-pixel sunken
// edge around the 151 x 130 face.
class FaceWindow : public QWidget
{
public:
    // save writes the settings and the alarm list; it does not return when that fails.
    using SaveFunction = std::function<void(const Settings &)>;

    FaceWindow(const Settings &loaded, AlarmList &alarms, SaveFunction save);

    static constexpr int windowWidth = 157;
    static constexpr int windowHeight = 136;
    static constexpr int faceLeft = 3;
    static constexpr int faceTop = 3;

    const Settings &settings() const { return stored; }

    // The quit path: records the position, releases the skin, saves, closes the window
    // and ends the application. Alt+F4, the window manager's close and the quit buttons
    // all come here.
    void OnClose();
    // Saves as OnClose does but keeps running: the desktop session is ending.
    void saveNow();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void recordPosition();
    void releaseSkin();

    Settings stored;
    AlarmList &alarmList;
    SaveFunction saveSettings;
    QImage faceNormal;
    bool closed = false;
};
