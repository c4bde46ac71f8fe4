#pragma once

#include "filepicker.h"

#include <QList>

// A file dialog that answers from a script: each call takes the next answer, and an
// empty script answers as a cancelled dialog. Counts calls and remembers the owner.
class FakeFilePicker : public FilePicker
{
public:
    std::optional<QString> openWave(QWidget *owner) override
    {
        ++calls;
        lastOwner = owner;
        if (answers.isEmpty())
            return std::nullopt;
        return answers.takeFirst();
    }

    QList<std::optional<QString>> answers;
    int calls = 0;
    QWidget *lastOwner = nullptr;
};
