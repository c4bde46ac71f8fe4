#include "facecontroller.h"

#include "alarmmessagedialog.h"
#include "alarmnotices.h"
#include "alarmsetdialog.h"
#include "autostart.h"
#include "clockwork.h"
#include "facelabels.h"
#include "facewindow.h"
#include "logodialog.h"
#include "messagebox.h"
#include "nextring.h"
#include "notifier.h"
#include "optionssheet.h"
#include "settingsstore.h"
#include "wakeplanner.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>

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
    connect(&works, &Clockwork::snoozesChanged, this, &FaceController::reportChange);
    connect(&store, &SettingsStore::aboutToSave, this, &FaceController::keepSnooze);
    connect(&works, &Clockwork::messageToShow, this, &FaceController::showMessage);
    connect(&notifier, &Notifier::stopRequested, &face, &FaceWindow::pressStop);
    connect(&notifier, &Notifier::snoozeRequested, &face, &FaceWindow::pressSnooze);
}

QString FaceController::nextAlarmText() const
{
    const int64_t now = services.clock.now();
    const std::optional<NextRing::Next> next =
        NextRing::next(store.alarms(), store.settings(), works.snoozed(), now);
    return FaceLabels::nextAlarm(next ? std::optional<int64_t>(next->minute) : std::nullopt, now);
}

std::optional<bool> FaceController::canWake() const
{
    return services.wake ? services.wake->canWake() : std::nullopt;
}

FaceController::~FaceController()
{
    dropMessages();
}

void FaceController::reportChange()
{
    store.save(SavePolicy::Warn);
    Q_EMIT changed();
}

void FaceController::keepSnooze()
{
    // The file keeps one: the snooze that rings first, of an alarm still listed.
    Settings &s = store.settings();
    s.snoozedRecord = -1;
    s.snoozedDueAt = 0;
    for (const Clockwork::Snoozed &snoozed : works.snoozed()) {
        if (s.snoozedRecord >= 0 && s.snoozedDueAt <= snoozed.dueAt)
            continue;
        for (int i = 0; i < store.alarms().GetSize(); ++i) {
            if (store.alarms()[i].minuteOfDay() == snoozed.alarmMinute) {
                s.snoozedRecord = i;
                s.snoozedDueAt = snoozed.dueAt;
                break;
            }
        }
    }
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
        NextRing::after(store.alarms(), store.settings(), services.clock.now());
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
    AlarmSetDialog dialog(&face, store.alarms(), services.clock, services.sound, services.files,
                          services.messageBoxes);
    alarmDialog = &dialog;
    connect(&dialog, &AlarmSetDialog::changed, this, [this] {
        Q_EMIT alarmsSet();
        reportChange();
    });
    dialog.exec();
    Q_EMIT alarmsSettled();
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
    Commands::Answer answer = Commands::run(request, store.alarms(), store.settings(),
                                                works.snoozed(), services.clock.now());
    if (answer.changed) {
        Q_EMIT alarmsSet();
        reportChange();
        if (alarmDialog)
            alarmDialog->alarmsChangedElsewhere();
        Q_EMIT alarmsSettled();
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
    if (wereOff && !store.settings().alarmsDisabled)
        Q_EMIT alarmsSwitchedOn();
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
