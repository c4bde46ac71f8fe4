#pragma once

#include <QString>

class QWidget;

// The program's message boxes: modal, one OK button, warning icon, caption "Zelka!".
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void warning(QWidget *owner, const QString &text) = 0;
};

class QtMessageBoxes : public MessageBoxes
{
public:
    void warning(QWidget *owner, const QString &text) override;
};
