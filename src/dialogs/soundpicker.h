#pragma once

#include <QBasicTimer>
#include <QByteArray>

class FilePicker;
class QAbstractButton;
class QLineEdit;
class QWidget;
class Sound;

// A sound-file chooser with a preview, bound to an owner's path edit and its Play and
// Stop buttons. It keeps no state of its own: Play disabled and Stop enabled means a
// preview runs. The owner routes its Browse, Play and Stop clicks here and calls Poll()
// from its timerEvent; the poll timer is the only timer an owner runs.
class SoundPicker
{
public:
    SoundPicker(Sound &sound, FilePicker &files);

    // timerId is the owner's name for the poll timer; Qt assigns the real timer's id and
    // the owner has no other timer, so nothing dispatches on it.
    void Bind(QLineEdit *edit, QAbstractButton *play, QAbstractButton *stop, int timerId,
              QWidget *owner);

    // Lets the user choose a WAVE file and puts its full path into the edit.
    void Browse();
    // Starts a preview of the file named in the edit.
    void Play();
    // Ends the preview.
    void Stop();
    // On each timer event of the owner: notices that the preview has ended.
    void Poll();

    // The current or last preview's file, as the edit held it at Play; GBK.
    QByteArray path;

    static constexpr int pollIntervalMs = 500;

private:
    void toIdle();

    Sound &sound;
    FilePicker &files;
    QLineEdit *edit = nullptr;
    QAbstractButton *play = nullptr;
    QAbstractButton *stop = nullptr;
    QWidget *owner = nullptr;
    QBasicTimer timer;
};
