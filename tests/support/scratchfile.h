#pragma once

#include "settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A scratch folder with a settings file in it, and what the last load of it gave.
struct ScratchFile : QTemporaryDir {
    // The file's path with the folder's links resolved, as a load finds it.
    const QString file = QDir(path()).canonicalPath() + QStringLiteral("/ZELKA!.DAT");
    Settings settings;
    AlarmList list;

    // Writes bytes to the settings file, then loads it, or whatever name is.
    LoadResult load(const std::optional<QByteArray> &bytes, const QString &name = {})
    {
        if (bytes)
            writeAll(file, *bytes);
        return SettingsFile::load(name.isEmpty() ? file : name, settings, list);
    }
};
