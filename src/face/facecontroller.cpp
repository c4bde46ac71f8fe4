#include "facecontroller.h"

#include "alarmmessagedialog.h"
#include "alarmnotices.h"
#include "alarmsetdialog.h"
#include "audiooutput.h"
#include "autostart.h"
#include "clockwork.h"
#include "facewindow.h"
#include "logodialog.h"
#include "messagebox.h"
#include "nextring.h"
#include "nextwake.h"
#include "notifier.h"
#include "optionssheet.h"
#include "settingsstore.h"
#include "wakealarm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>

#include <utility>

FaceController::FaceController(FaceWindow &face, SettingsStore &store, const Clockwork &works,
                               FaceServices services)
    : face(face), store(store), services(services), works(works)
{
    Notifier &notifier = services.notifier;
    connect(&works, &Clockwork::ringingStarted, this, [this](int index, int lateMinutes) {
        this->services.notifier.showRinging(
            AlarmNotices::ringing(this->store.alarms()[index], lateMinutes));
    });
    connect(&works, &Clockwork::ringingEnded, &notifier, &Notifier::endRinging);
    connect(&works, &Clockwork::alarmsMissed, this,
            [this](const QList<MissedAlarms::Occurrence> &missed) {
                this->services.notifier.inform(AlarmNotices::missed(this->store.alarms(), missed));
            });
    connect(&works, &Clockwork::alarmsChanged, this, &FaceController::reportChange);
    connect(&works, &Clockwork::messageToShow, this, &FaceController::showMessage);
    connect(&notifier, &Notifier::stopRequested, &face, &FaceWindow::pressStop);
    connect(&notifier, &Notifier::snoozeRequested, &face, &FaceWindow::pressSnooze);
    if (services.wake) {
        // A new minute also follows a resume; a snooze is taken as its ringing ends.
        connect(&works, &Clockwork::minuteChanged, this, &FaceController::rearmWake);
        connect(&works, &Clockwork::ringingEnded, this, &FaceController::rearmWake);
        connect(services.wake, &WakeAlarm::availabilityKnown, this,
                &FaceController::warnIfCannotWake);
        rearmWake();
    }
    if (services.output) {
        audibleDue.setSingleShot(true);
        audibleDue.setTimerType(Qt::VeryCoarseTimer);
        connect(&audibleDue, &QTimer::timeout, this, &FaceController::checkAudibleIfDue);
        // The timer counts while the wall clock may jump or the machine sleep: a new minute
        // sets it again from the wall clock.
        connect(&works, &Clockwork::minuteChanged, this, &FaceController::rearmAudibleCheck);
        connect(services.output, &AudioOutput::answered, this, &FaceController::tellIfUnheard);
        rearmAudibleCheck();
    }
}

void FaceController::rearmAudibleCheck()
{
    if (!services.output)
        return;
    const auto due = audible.due(store.alarms(), store.settings(), services.clock.now());
    if (!due) {
        audibleDue.stop();
        return;
    }
    audibleDue.start(int((due->at - services.clock.now()) * 1000));
}

void FaceController::checkAudibleIfDue()
{
    const int64_t now = services.clock.now();
    const auto due = audible.due(store.alarms(), store.settings(), now);
    if (due && due->at <= now)
        checkAudible(due->occurrence);
    rearmAudibleCheck();
}

void FaceController::checkAudible(const std::optional<AudibleCheck::Occurrence> &occurrence)
{
    if (!services.output || !occurrence)
        return;
    audible.checking(*occurrence, services.clock.now());
    if (!awaitingOutput.contains(*occurrence))
        awaitingOutput.append(*occurrence);
    services.output->ask();
}

void FaceController::checkNextAudible()
{
    checkAudible(AudibleCheck::next(store.alarms(), store.settings(), services.clock.now()));
}

void FaceController::tellIfUnheard(const std::optional<AudibleCheck::Output> &output)
{
    // No sound server answered: nothing is known, and nothing is said.
    const auto problem = output ? AudibleCheck::problemOf(*output) : AudibleCheck::Problem::None;
    for (const AudibleCheck::Occurrence &o : std::exchange(awaitingOutput, {}))
        if (audible.tell(o, problem, services.clock.now()))
            services.notifier.inform(AlarmNotices::cannotBeHeard(o.minuteOfDay, problem));
}

void FaceController::rearmWake()
{
    if (services.wake)
        services.wake->arm(NextWake::at(store.alarms(), store.settings(), works.snoozed(),
                                        services.clock.now()));
}

std::optional<bool> FaceController::canWake() const
{
    return services.wake ? services.wake->available() : std::nullopt;
}

void FaceController::warnIfCannotWake()
{
    // Once, for alarms the user set here: a start with alarms already set stays quiet.
    if (wakeWarned || !alarmsSetHere || canWake() != false ||
        !NextWake::at(store.alarms(), store.settings(), {}, services.clock.now()))
        return;
    wakeWarned = true;
    services.notifier.inform(AlarmNotices::cannotWake(
        QCoreApplication::applicationDirPath() + QStringLiteral("/zelka-wake")));
}

FaceController::~FaceController()
{
    dropMessages();
}

void FaceController::reportChange()
{
    store.save(SavePolicy::Warn);
    rearmWake();
    rearmAudibleCheck();
}

void FaceController::saveNow()
{
    if (!closed)
        store.save(SavePolicy::Fatal);
}

void FaceController::quitUnderDialogs()
{
    if (closing)
        return;
    dropMessages();
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        modal->hide();
    }
    // Once the dialogs' own loops have returned.
    QTimer::singleShot(0, this, [this] { quit(QuitBy::User); });
}

void FaceController::quit(QuitBy by)
{
    // A second request (a signal while a failed save's message shows) waits for the first.
    if (closing)
        return;
    closing = true;
    Q_EMIT quitting();
    store.save(SavePolicy::Fatal);
    store.finish();
    closed = true;
    face.hide();
    if (by == QuitBy::User)
        tellWhatWillNotRing();
    // A tool window does not end the application when it closes: end it here, once the
    // notice is out or its bound has passed.
    Notifier &notifier = services.notifier;
    if (!notifier.busy()) {
        QCoreApplication::quit();
        return;
    }
    connect(&notifier, &Notifier::settled, qApp, &QCoreApplication::quit);
    QTimer::singleShot(quitNoticeBoundMs, qApp, &QCoreApplication::quit);
}

void FaceController::tellWhatWillNotRing()
{
    const std::optional<NextRing::Next> next =
        NextRing::after(store.alarms(), services.clock.now());
    if (next)
        services.notifier.inform(AlarmNotices::notRinging(store.alarms()[next->index]));
}

void FaceController::showMessage(const QByteArray &message, int minuteOfDay)
{
    waiting.push_back({message, minuteOfDay});
    if (!popup)
        showNextMessage();
}

void FaceController::showNextMessage()
{
    if (waiting.empty())
        return;
    popup = new AlarmMessageDialog(&face);
    popup->setMessage(waiting.front().text);
    popup->setAlarmTime(waiting.front().minuteOfDay);
    waiting.pop_front();
    // Modal as before, yet shown without a loop of its own: the step that stopped the
    // ringing has returned long before the user answers.
    popup->setModal(true);
    connect(popup, &QDialog::finished, this, [this] {
        // The keyboard the user answered with goes back to the face, as a dialog's does.
        const bool hadKeyboard = popup->isActiveWindow();
        popup->deleteLater();
        popup = nullptr;
        face.update();
        if (hadKeyboard && waiting.empty())
            face.activateWindow();
        showNextMessage();
    });
    popup->show();
}

void FaceController::dropMessages()
{
    waiting.clear();
    if (popup) {
        popup->disconnect(this);
        delete popup;
    }
}

void FaceController::openAlarms()
{
    AlarmSetDialog dialog(&face, store.alarms(), services.sound, services.files, services.messageBoxes);
    alarmDialog = &dialog;
    connect(&dialog, &AlarmSetDialog::changed, this, [this] {
        alarmsSetHere = true;
        reportChange();
        checkNextAudible();
    });
    dialog.exec();
    warnIfCannotWake();
}

Commands::Answer FaceController::runCommand(const CommandLine::Request &request)
{
    if (request.needsRunningClock()) {
        if (!works.isRinging())
            return Commands::nothingRings();
        if (request.action == CommandLine::Action::Stop)
            face.pressStop();
        else
            face.pressSnooze();
        return {};
    }
    Commands::Answer answer = Commands::run(request, store.alarms(), services.clock.now());
    if (answer.changed) {
        alarmsSetHere = true;
        reportChange();
        checkNextAudible();
        if (alarmDialog)
            alarmDialog->alarmsChangedElsewhere();
        warnIfCannotWake();
    }
    return answer;
}

void FaceController::openLogo()
{
    LogoDialog dialog(&face);
    dialog.exec();
}

void FaceController::copyIntoSheet(OptionsSheet &sheet) const
{
    sheet.load(store.settings());
    sheet.interfacePage.startAtLogin = Autostart::isEnabled();
}

void FaceController::copyFromSheet(const OptionsSheet &sheet)
{
    const bool wereOff = store.settings().alarmsDisabled;
    sheet.store(store.settings());
    reportChange();
    // Alarms switched back on are alarms set.
    if (wereOff && !store.settings().alarmsDisabled)
        checkNextAudible();
    if (sheet.interfacePage.startAtLogin != int32_t(Autostart::isEnabled()) &&
        !Autostart::setEnabled(sheet.interfacePage.startAtLogin != 0,
                               Autostart::command(qEnvironmentVariable("ZELKA_LAUNCHER"),
                                                  QCoreApplication::applicationFilePath(),
                                                  QDir::currentPath())))
        services.messageBoxes.warning(
            &face, QCoreApplication::translate("FaceWindow", "无法更改登录时启动的设置：%1")
                       .arg(Autostart::entryPath()));
}

void FaceController::openOptions()
{
    OptionsSheet sheet(&face, services.sound, services.files, services.messageBoxes);
    copyIntoSheet(sheet);
    // Only what OK or Apply took over comes back; Cancel leaves the settings alone.
    connect(&sheet, &OptionsSheet::applied, this, [this, &sheet] { copyFromSheet(sheet); });
    sheet.exec();
}
