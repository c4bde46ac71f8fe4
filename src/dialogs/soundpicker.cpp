#include "soundpicker.h"

#include "filepicker.h"
#include "gbk.h"
#include "sound.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTimerEvent>

SoundPicker::SoundPicker(Sound &sound, FilePicker &files, int pollMs)
    : sound(sound), files(files), pollMs(pollMs)
{}

void SoundPicker::Bind(QLineEdit *edit, QAbstractButton *play, QAbstractButton *stop,
                       QWidget *owner)
{
    this->edit = edit;
    this->play = play;
    this->stop = stop;
    this->owner = owner;
    // The two buttons show only an icon; a screen reader needs their words.
    play->setAccessibleName(QCoreApplication::translate("SoundPicker", "播放"));
    stop->setAccessibleName(QCoreApplication::translate("SoundPicker", "停止"));
}

void SoundPicker::Browse()
{
    // Only the text changes: a running preview goes on and the poll keeps watching it.
    if (const std::optional<QString> chosen = files.openWave(owner))
        edit->setText(*chosen);
}

void SoundPicker::Play()
{
    path = Gbk::fromUnicode(edit->text());
    play->setEnabled(false);
    stop->setEnabled(true);
    sound.once(path);
    timer.start(pollMs, this);
}

void SoundPicker::Stop()
{
    timer.stop();
    sound.stop();
    toIdle();
}

void SoundPicker::Poll()
{
    // Any sound on the one channel, the preview or an alarm that replaced it, keeps it
    // previewing until the channel is idle.
    if (sound.isPlaying())
        return;
    timer.stop();
    toIdle();
}

void SoundPicker::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == timer.timerId())
        Poll();
    else
        QObject::timerEvent(event);
}

void SoundPicker::toIdle()
{
    play->setEnabled(true);
    stop->setEnabled(false);
}
