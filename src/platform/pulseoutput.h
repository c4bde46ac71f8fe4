#pragma once

#include "audiooutput.h"

#include <QThread>

// The default sink of the PulseAudio server, or of PipeWire's, which answers the same
// clients. libpulse is opened at the first question: an idle clock maps none of it.
class PulseOutput : public AudioOutput
{
    Q_OBJECT

public:
    // How long a question may take, connection included.
    static constexpr int boundMs = 2000;

    explicit PulseOutput(QObject *parent = nullptr);
    // Waits for a question out, at most its bound.
    ~PulseOutput() override;
    void ask() override;

private:
    QThread *worker = nullptr;
};
