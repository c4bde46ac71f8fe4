#include "autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace Autostart {

namespace {

// Desktop entries quote arguments in double quotes, escaping the few characters that
// are special inside them.
QString quoted(const QString &arg)
{
    QString out = arg;
    for (const char *c : {"\\", "\"", "`", "$"})
        out.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

} // namespace

Command command(const QString &launcher, const QString &program, const QString &folder)
{
    if (launcher.isEmpty())
        return {program, folder};
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("zelka"));
    if (!onPath.isEmpty() &&
        QFileInfo(onPath).canonicalFilePath() == QFileInfo(launcher).canonicalFilePath())
        return {QStringLiteral("zelka"), {}};
    return {launcher, {}};
}

QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/zelka.desktop");
}

bool isEnabled()
{
    return QFileInfo::exists(entryPath());
}

bool setEnabled(bool enabled, const Command &command)
{
    const QString path = entryPath();
    if (!enabled)
        return !QFileInfo::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=Zelka! Alarm Clock\n"
                                   "Name[zh_CN]=Zelka! 闹钟\nIcon=zelka\nTerminal=false\n");
    // The backslash escapes of desktop entries apply to the whole Exec value once more, and
    // a percent sign there starts a field code unless doubled.
    QString exec =
        command.program == QLatin1String("zelka") ? command.program : quoted(command.program);
    exec.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    exec.replace(QLatin1String("%"), QLatin1String("%%"));
    entry += QStringLiteral("Exec=") + exec + QLatin1Char('\n');
    if (!command.workingDirectory.isEmpty())
        entry += QStringLiteral("Path=") + command.workingDirectory + QLatin1Char('\n');
    file.write(entry.toUtf8());
    return file.commit();
}

} // namespace Autostart
