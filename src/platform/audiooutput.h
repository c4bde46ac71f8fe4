#pragma once

#include "audiblecheck.h"

#include <QObject>

#include <optional>

// The default sound output, asked about now and then, never held open.
class AudioOutput : public QObject
{
    Q_OBJECT

public:
    explicit AudioOutput(QObject *parent = nullptr) : QObject(parent) {}
    // Asks the sound server once; answered() follows within a bounded time. A question
    // asked while one is out is answered by that one.
    virtual void ask() = 0;

Q_SIGNALS:
    // None: no sound server answered, so nothing is known about the output.
    void answered(std::optional<AudibleCheck::Output> output);
};
