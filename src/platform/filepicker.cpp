#include "filepicker.h"

#include <QCoreApplication>
#include <QFileDialog>

std::optional<QString> QtFilePicker::openWave(QWidget *owner)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The dialog itself refuses a name that does not exist, so the caller gets real files.
    dialog.setFileMode(QFileDialog::ExistingFile);
    // A name typed without an extension means the .wav file of that name.
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    // The WAVE line first, as it always was; the compressed files the player decodes beside it.
    dialog.setNameFilters(
        {QCoreApplication::translate("FilePicker", "声音 (*.wav)"),
         QCoreApplication::translate("FilePicker", "压缩声音 (*.ogg *.oga *.opus *.flac *.mp3)")});
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.first();
}
