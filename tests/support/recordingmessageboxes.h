#pragma once

#include "messagebox.h"

#include <QList>
#include <QStringList>

// Message boxes that show nothing: each warning's text and owner are recorded instead.
class RecordingMessageBoxes : public MessageBoxes
{
public:
    void warning(QWidget *owner, const QString &text) override
    {
        texts.append(text);
        owners.append(owner);
    }

    QStringList texts;
    QList<QWidget *> owners;
};
