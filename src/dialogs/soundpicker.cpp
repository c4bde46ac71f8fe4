#include "soundpicker.h"

#include "filepicker.h"
#include "gbk.h"
#include "sound.h"

#include <QAbstractButton>
#include <QLineEdit>

SoundPicker::SoundPicker(Sound &sound, FilePicker &files) : sound(sound), files(files) {}

void SoundPicker::Bind(QLineEdit *edit, QAbstractButton *play, QAbstractButton *stop, int,
                       QWidget *owner)
{
    this->edit = edit;
    this->play = play;
    this->stop = stop;
    this->owner = owner;
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
    timer.start(pollIntervalMs, owner);
}

void SoundPicker::Stop()
{
    timer.stop();
    sound.stop();
    toIdle();
}

void SoundPicker::Poll()
{
    // Refused while anything plays; accepted only once the channel is idle, and then it
    // has just started the file again, which must not be heard.
    if (!sound.startIfIdle(path))
        return;
    sound.stop();
    timer.stop();
    toIdle();
}

void SoundPicker::toIdle()
{
    play->setEnabled(true);
    stop->setEnabled(false);
}
