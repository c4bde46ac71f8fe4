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
    dialog.setNameFilter(QCoreApplication::translate("FilePicker", "声音 (*.wav)"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.first();
}
