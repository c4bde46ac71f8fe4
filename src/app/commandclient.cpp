#include "commandclient.h"

#include "commandline.h"
#include "commands.h"
#include "singleinstance.h"
#include "systemclock.h"
#include "zelkaapp.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcessEnvironment>

#include <cstdio>

namespace {

constexpr const char *settingsFile = "ZELKA!.DAT";

int print(int status, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), status == 0 ? stdout : stderr);
    return status;
}

// No clock runs on the file and this process holds its lock: the command's own edit.
int runOnFile(const CommandLine::Request &request)
{
    if (request.needsRunningClock())
        return print(Commands::nothingRings().status, Commands::nothingRings().text);
    // Only an edit creates the file; a look at a folder without one sees no alarms.
    SettingsStore store;
    if (request.edits() || QFileInfo::exists(QString::fromLatin1(settingsFile))) {
        const LoadResult loaded = store.load(QString::fromLatin1(settingsFile));
        if (loaded.failure)
            return print(1, loaded.failure->message + QLatin1Char('\n'));
        if (loaded.decoded == SettingsCodec::Decoded::Damaged)
            return print(1, QCoreApplication::translate("ZelkaApp",
                                                        "ZELKA!.DAT 已损坏. 设置不会被载入。") +
                                QLatin1Char('\n'));
    }
    const Commands::Answer answer = Commands::run(request, store.alarms(), SystemClock().now());
    if (answer.changed) {
        std::optional<FileFailure> failed;
        QObject::connect(&store, &SettingsStore::failed,
                         [&failed](const FileFailure &f, SavePolicy) { failed = f; });
        store.save(SavePolicy::Fatal);
        if (failed)
            return print(1, failed->message + QLatin1Char('\n'));
    }
    return print(answer.status, answer.text);
}

} // namespace

int runCommand(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Zelka!"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELKA_VERSION));
    installTranslations(app, interfaceLanguage(QProcessEnvironment::systemEnvironment()));
    const QStringList arguments = app.arguments().mid(1);
    const CommandLine::Parsed parsed = CommandLine::parse(arguments);
    if (!parsed.request)
        return print(CommandLine::usageStatus, QStringLiteral("zelka: ") + parsed.error + QLatin1Char('\n'));
    switch (parsed.request->action) {
    case CommandLine::Action::Help:
        return print(0, CommandLine::help());
    case CommandLine::Action::Version:
        return print(0, QStringLiteral("zelka " ZELKA_VERSION "\n"));
    default:
        break;
    }
    SingleInstance instance(QString::fromLatin1(settingsFile));
    switch (instance.claimForCommand(arguments)) {
    case SingleInstance::Claim::Knocked:
        return print(instance.reply().status, instance.reply().text);
    case SingleInstance::Claim::Refused:
        return print(1, QCoreApplication::translate("ZelkaApp", "正在运行的闹钟没有应答（%1）\n")
                            .arg(instance.refusal()));
    case SingleInstance::Claim::Run:
        break;
    }
    return runOnFile(*parsed.request);
}
