#include "messagebox.h"

#include <QMessageBox>

void QtMessageBoxes::warning(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Zelka!"), text, QMessageBox::Ok, owner);
    // Texts may carry file names and user input: never interpret them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
