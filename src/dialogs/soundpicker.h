#pragma once

#include <QBasicTimer>
#include <QByteArray>
#include <QObject>

class FilePicker;
class QAbstractButton;
class QLineEdit;
class QWidget;
class Sound;

// A sound-file chooser with a preview, bound to an owner's path edit and its Play and
// Stop buttons. It keeps no state of its own: Play disabled and Stop enabled means a
// preview runs. The owner routes its Browse, Play and Stop clicks here; the picker polls
// the channel on its own timer, which ends with it, and so with its owner.
class SoundPicker : public QObject
{
public:
    static constexpr int pollIntervalMs = 500;

    SoundPicker(Sound &sound, FilePicker &files, int pollMs = pollIntervalMs);

    void Bind(QLineEdit *edit, QAbstractButton *play, QAbstractButton *stop, QWidget *owner);

    // Lets the user choose a WAVE file and puts its full path into the edit.
    void Browse();
    // Starts a preview of the file named in the edit.
    void Play();
    // Ends the preview.
    void Stop();

    // The current or last preview's file, as the edit held it at Play; GBK.
    QByteArray path;

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    // On each tick of the poll timer: notices that the preview has ended.
    void Poll();
    void toIdle();

    Sound &sound;
    FilePicker &files;
    const int pollMs;
    QLineEdit *edit = nullptr;
    QAbstractButton *play = nullptr;
    QAbstractButton *stop = nullptr;
    QWidget *owner = nullptr;
    QBasicTimer timer;
};
