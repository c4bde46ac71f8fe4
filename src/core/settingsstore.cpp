#include "settingsstore.h"

#include <QCoreApplication>

SettingsStore::SettingsStore(std::chrono::milliseconds drainBound, int delayMs)
    : drainBound(drainBound),
      pending([this] { return snapshot(); },
              // The path is set by the load, before the first save starts the writer.
              [this](const QByteArray &bytes) { return SettingsFile::write(filePath, bytes); },
              [this](const FileFailure &failure) { Q_EMIT failed(failure, SavePolicy::Warn); },
              delayMs)
{}

LoadResult SettingsStore::load(const QString &fileName)
{
    LoadResult loaded = SettingsFile::load(fileName, current, list);
    filePath = loaded.absolutePath;
    return loaded;
}

std::optional<Encoded> SettingsStore::snapshot()
{
    if (finished)
        return std::nullopt;
    Q_EMIT aboutToSave();
    return SettingsFile::encodeForSave(filePath, current, list);
}

bool SettingsStore::drained()
{
    // A save written now holds everything a pending one would, once the one under way ends.
    return pending.drain(drainBound);
}

void SettingsStore::save(SavePolicy policy)
{
    if (finished)
        return;
    if (policy == SavePolicy::Warn) {
        pending.schedule();
        return;
    }
    if (!drained()) {
        if (policy == SavePolicy::Fatal)
            Q_EMIT failed(
                FileFailure{
                    FailureKind::Write,
                    SettingsFile::describe(
                        SettingsFile::whatFailed(FailureKind::Write), filePath,
                        QCoreApplication::translate("SettingsFile",
                                                    "上一次保存在 %1 秒内没有完成。")
                            .arg(std::chrono::duration_cast<std::chrono::seconds>(drainBound)
                                     .count()))},
                policy);
        return;
    }
    Q_EMIT aboutToSave();
    const std::optional<FileFailure> failure = SettingsFile::save(filePath, current, list);
    if (failure && policy == SavePolicy::Fatal)
        Q_EMIT failed(*failure, policy);
}

void SettingsStore::finish()
{
    pending.cancel();
    finished = true;
}
