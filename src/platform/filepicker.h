#pragma once

#include <QString>

#include <optional>

class QWidget;

// The file-open dialog the sound pickers use to choose a sound file.
class FilePicker
{
public:
    virtual ~FilePicker() = default;
    // Modal file-open dialog for a sound file: filters "声音 (*.wav)", then the compressed
    // formats, default suffix "wav", existing files only. Returns the chosen full path, or nothing when cancelled.
    virtual std::optional<QString> openWave(QWidget *owner) = 0;
};

class QtFilePicker : public FilePicker
{
public:
    std::optional<QString> openWave(QWidget *owner) override;
};
