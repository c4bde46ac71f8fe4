#include "zelkaapp.h"

#include "commandline.h"
#include "facewindow.h"
#include "hearingcheck.h"
#include "pulseoutput.h"
#include "ringingguard.h"
#include "sdlsound.h"
#include "signalwatcher.h"
#include "singleinstance.h"
#include "wakealarm.h"
#include "wakeplanner.h"
#include "zelkalog.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QProcessEnvironment>
#include <QSemaphore>
#include <QSessionManager>
#include <QThread>
#include <QTranslator>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace {

// Read by the exit paths, one of which runs on Qt's Wayland event thread.
std::atomic<ZelkaApp *> runningApp = nullptr;

} // namespace

// The program's texts are Chinese; English comes from the one translation it carries.
// Qt's own texts (buttons, the file dialog) follow: Chinese from Qt's translations,
// English as Qt is written. The language actually installed is the one returned.
Language installTranslations(QCoreApplication &app, Language wanted)
{
    auto *translator = new QTranslator(&app);
    const bool loaded = wanted == Language::English
                            ? translator->load(QStringLiteral("zelka_en"), QStringLiteral(":/i18n"))
                            : translator->load(QLocale(QLocale::Chinese, QLocale::China),
                                               QStringLiteral("qtbase"), QStringLiteral("_"),
                                               QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (loaded)
        app.installTranslator(translator);
    else
        delete translator;
    // Had the English translation failed to load, the interface is the original Chinese.
    return loaded ? wanted : Language::Chinese;
}

namespace {

// Qt ends the process with exit() when the display connection breaks, the one way out
// that bypasses the close: save, then leave with the lost display's own status.
void saveOnUnexpectedExit()
{
    ZelkaApp *app = runningApp;
    if (!app)
        return;
    app->saveIfStillRunning();
    std::fflush(nullptr);
    std::_Exit(ZelkaApp::displayLostStatus);
}

QtMessageHandler previousMessageHandler = nullptr;

// Qt's Wayland plugin says this from its event thread just before it ends the process with
// _exit(1), which no exit handler sees: this warning is the last word before it.
void watchForLostCompositor(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (previousMessageHandler)
        previousMessageHandler(type, context, text);
    if (!runningApp || type != QtWarningMsg ||
        !text.startsWith(QLatin1String("The Wayland connection")))
        return;
    if (QThread::currentThread() == qApp->thread()) {
        saveOnUnexpectedExit();
    } else {
        // The save belongs on the main thread; it may take a moment, not for ever. The
        // semaphore outlives this function on purpose: the process ends here either way.
        auto *saved = new QSemaphore;
        QMetaObject::invokeMethod(
            qApp,
            [saved] {
                saveOnUnexpectedExit();
                saved->release();
            },
            Qt::QueuedConnection);
        saved->tryAcquire(1, 3000);
    }
    std::fflush(nullptr);
    std::_Exit(ZelkaApp::displayLostStatus);
}

// When this process started, by the kernel's wall clock (the one file times use, whatever
// a test's faked clock says): leftovers older than that predate this clock's lock.
timespec processStart()
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    QFile stat(QStringLiteral("/proc/self/stat")), system(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly) || !system.open(QIODevice::ReadOnly))
        return now;
    // The fields after the command's closing parenthesis; the start time is the 20th.
    const QByteArray own = stat.readAll();
    const QList<QByteArray> fields = own.mid(own.lastIndexOf(')') + 2).split(' ');
    qint64 bootTime = -1;
    for (const QByteArray &line : system.readAll().split('\n'))
        if (line.startsWith("btime "))
            bootTime = line.mid(6).toLongLong();
    const long ticks = ::sysconf(_SC_CLK_TCK);
    if (fields.size() < 20 || bootTime < 0 || ticks <= 0)
        return now;
    const qint64 sinceBoot = fields[19].toLongLong();
    return timespec{time_t(bootTime + sinceBoot / ticks),
                    long(sinceBoot % ticks) * (1000000000L / ticks)};
}

} // namespace

ZelkaApp::ZelkaApp(int &argc, char **argv) : QApplication(argc, argv)
{
    QObject::connect(&store, &SettingsStore::failed, this, &ZelkaApp::saveFailed);
    setApplicationName(QStringLiteral("Zelka!"));
    language =
        installTranslations(*this, interfaceLanguage(QProcessEnvironment::systemEnvironment()));
    setQuitOnLastWindowClosed(false);
}

ZelkaApp::~ZelkaApp()
{
    // After main() returns, the exit handler must not reach this object any more.
    runningApp = nullptr;
    qInstallMessageHandler(previousMessageHandler);
}

int ZelkaApp::exitStatus(FailureKind kind)
{
    switch (kind) {
    case FailureKind::OpenSound:
        return 1;
    case FailureKind::Open:
        return 2;
    case FailureKind::OutOfMemoryReading:
        return 3;
    case FailureKind::Read:
        return 4;
    case FailureKind::Create:
        return 5;
    case FailureKind::OutOfMemoryWriting:
        return 6;
    case FailureKind::Format:
        return 7;
    case FailureKind::Write:
        return 8;
    case FailureKind::Permissions:
        return 9;
    }
    return 8;
}

void ZelkaApp::fatal(const FileFailure &failure)
{
    messageBoxes.warning(nullptr, failure.message);
    std::fflush(nullptr);
    // Leave at once: nothing else may run or be saved on a fatal path.
    std::_Exit(exitStatus(failure.kind));
}

void ZelkaApp::saveFailed(const FileFailure &failure, SavePolicy policy)
{
    if (policy == SavePolicy::Fatal)
        fatal(failure);
    // While the clock runs: it goes on after the warning.
    messageBoxes.warning(face.get(), failure.message);
}

bool ZelkaApp::InitInstance()
{
    // Before anything is shown or touched: a second clock on the same file would ring
    // every alarm twice and overwrite the first one's changes.
    instance = std::make_unique<SingleInstance>(QStringLiteral("ZELKA!.DAT"));
    switch (instance->claim()) {
    case SingleInstance::Claim::Run:
        break;
    case SingleInstance::Claim::Knocked:
        return false;
    case SingleInstance::Claim::Refused:
        refuseStart();
    }

    // The sound check comes before the settings file, so a failed start creates nothing.
    for (const char *name : {"Ring.wav", "Ding.wav"}) {
        if (auto failure = SettingsFile::checkReadable(QString::fromLatin1(name)))
            fatal(*failure);
    }

    const LoadResult loaded = store.load(QStringLiteral("ZELKA!.DAT"));
    if (loaded.failure)
        fatal(*loaded.failure);
    SettingsFile::removeStaleTemporaries(store.path(), processStart());
    if (loaded.decoded == SettingsCodec::Decoded::Damaged)
        messageBoxes.warning(nullptr, QCoreApplication::translate(
                                          "ZelkaApp", "ZELKA!.DAT 已损坏. 设置不会被载入。"));

    sound = std::make_unique<SdlSound>();
    // An alarm that cannot be heard says so where the user looks while it rings.
    connect(sound.get(), &SdlSound::unplayable, &notifier, &DesktopNotifier::addToRinging);
    wake = std::make_unique<WakeAlarm>(applicationDirPath() + QStringLiteral("/zelka-wake"));
    wakePlan =
        std::make_unique<WakePlanner>(*wake, store.alarms(), store.settings(), clock, notifier);
    output = std::make_unique<PulseOutput>();
    hearing = std::make_unique<HearingCheck>(*output, store.alarms(), store.settings(), clock,
                                             notifier);
    face = std::make_unique<FaceWindow>(
        store, FaceServices{*sound, clock, files, messageBoxes, notifier, 1, wakePlan.get()},
        language);
    followClockwork();
    QObject::connect(instance.get(), &SingleInstance::knock, face.get(), &FaceWindow::bringToFront);
    QObject::connect(instance.get(), &SingleInstance::command, this,
                     [this](quint64 id, const QStringList &arguments) {
                         instance->answer(id, answerCommand(arguments));
                     });

    // The session ending and a polite kill both save, exactly as a close request does.
    signalWatcher = std::make_unique<SignalWatcher>();
    QObject::connect(signalWatcher.get(), &SignalWatcher::received, face.get(),
                     &FaceWindow::closeForSystem);
    QObject::connect(this, &QGuiApplication::commitDataRequest, this,
                     [this](QSessionManager &) { face->saveNow(); });

    runningApp = this;
    std::atexit(saveOnUnexpectedExit);
    previousMessageHandler = qInstallMessageHandler(watchForLostCompositor);

    face->show();
    return true;
}

void ZelkaApp::followClockwork()
{
    const Clockwork &works = face->clockwork();
    guard = std::make_unique<RingingGuard>();
    // The guard hears a ringing before the planner ends its hold-off: one lock hands over
    // to the other.
    connect(&works, &Clockwork::ringingStarted, guard.get(), &RingingGuard::ringingStarted);
    connect(&works, &Clockwork::ringingEnded, guard.get(), &RingingGuard::ringingEnded);
    connect(wakePlan.get(), &WakePlanner::holdOffStarted, guard.get(), &RingingGuard::holdSleep);
    connect(wakePlan.get(), &WakePlanner::holdOffEnded, guard.get(), &RingingGuard::releaseSleep);
    wakePlan->follow(works);
    const FaceController &routes = face->controller();
    connect(&routes, &FaceController::changed, wakePlan.get(), &WakePlanner::rearm);
    connect(&routes, &FaceController::alarmsSet, wakePlan.get(), &WakePlanner::alarmsSetByUser);
    connect(&routes, &FaceController::alarmsSettled, wakePlan.get(),
            &WakePlanner::warnIfCannotWake);
    hearing->follow(works);
    connect(&routes, &FaceController::changed, hearing.get(), &HearingCheck::rearm);
    connect(&routes, &FaceController::alarmsSet, hearing.get(), &HearingCheck::checkNext);
    connect(&routes, &FaceController::alarmsSwitchedOn, hearing.get(), &HearingCheck::checkNext);
}

SingleInstance::Reply ZelkaApp::answerCommand(const QStringList &arguments)
{
    const CommandLine::Parsed parsed = CommandLine::parse(arguments);
    if (!parsed.request)
        return {CommandLine::usageStatus, parsed.error + QLatin1Char('\n')};
    const Commands::Answer answer = face->runCommand(*parsed.request);
    return {answer.status, answer.text};
}

void ZelkaApp::refuseStart()
{
    // Leaving quietly would look as if the clock never started.
    const QString path = SingleInstance::canonicalPath(QStringLiteral("ZELKA!.DAT"));
    qCWarning(zelkaLog).noquote().nospace()
        << "another process holds the lock " << instance->lockPath() << " on " << path
        << " and did not answer on " << instance->socketPath() << " (" << instance->refusal()
        << ")";
    messageBoxes.warning(
        nullptr,
        QCoreApplication::translate("ZelkaApp", "另一个程序占用着 %1 的锁，一秒内没有应答，"
                                                "所以闹钟不能启动。\n锁：%2\n套接字：%3 (%4)")
            .arg(path, instance->lockPath(), instance->socketPath(), instance->refusal()));
    std::fflush(nullptr);
    std::_Exit(lockRefusedStatus);
}

void ZelkaApp::saveIfStillRunning()
{
    // No message box can be shown now; a failed save leaves the old file as it was, and so
    // does one that cannot start because a disk holds the last one up.
    if (face)
        store.save(SavePolicy::Silent);
}
