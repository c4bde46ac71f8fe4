#pragma once

#include "alarmlist.h"
#include "pendingsave.h"
#include "settings.h"
#include "settingsfile.h"

#include <QObject>
#include <QString>

#include <chrono>

// What a failed save does to the process.
enum class SavePolicy {
    Fatal,  // the quit's save and the session's: failed() and the process ends there
    Warn,   // a change while the clock runs: saved soon, off this thread, warned of once
    Silent, // the process is going anyway and nothing can be shown
};

// The one owner of the settings, the alarm list and their pending save. The window and
// the clockwork borrow them; every save, whatever its policy, goes through save().
class SettingsStore : public QObject
{
    Q_OBJECT

public:
    // How long a Fatal or Silent save waits for a save under way on a slow disk.
    static constexpr std::chrono::milliseconds quitWait{15000};

    explicit SettingsStore(std::chrono::milliseconds drainBound = quitWait,
                           int delayMs = PendingSave::delayMs);

    // Loads fileName; saves go to the file it turned out to be.
    LoadResult load(const QString &fileName);

    Settings &settings() { return current; }
    const Settings &settings() const { return current; }
    AlarmList &alarms() { return list; }
    const AlarmList &alarms() const { return list; }
    const QString &path() const { return filePath; }

    // Virtual so that a test's window can count what it asks for.
    virtual void save(SavePolicy policy);
    // The quit's save is done: nothing is saved after it.
    void finish();
    bool isFinished() const { return finished; }

Q_SIGNALS:
    // Just before the data is written or copied: state kept elsewhere goes in now.
    void aboutToSave();
    void failed(const FileFailure &failure, SavePolicy policy);

private:
    std::optional<Encoded> snapshot();
    bool drained();

    Settings current;
    AlarmList list;
    QString filePath;
    bool finished = false;
    std::chrono::milliseconds drainBound;
    PendingSave pending;
};
