#include "facewindow.h"

#include "alarmmessagedialog.h"
#include "alarmsetdialog.h"
#include "autostart.h"
#include "bitmapcopy.h"
#include "faceaccessible.h"
#include "facelabels.h"
#include "logodialog.h"
#include "messagebox.h"
#include "notifier.h"
#include "optionssheet.h"
#include "x11window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include <algorithm>
#include <cstring>

namespace {

Qt::WindowFlags styleFlags(const Settings &s)
{
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    // A tool window has no taskbar entry.
    flags |= s.hideFromTaskbar ? Qt::Tool : Qt::Window;
    if (s.alwaysOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

// The thin black border and the sunken edge, as a classic client-edge frame draws them.
void drawFrame(QPainter &p)
{
    const int w = FaceWindow::windowWidth, h = FaceWindow::windowHeight;
    p.setPen(Qt::black);
    p.drawRect(0, 0, w - 1, h - 1);
    auto edge = [&](int inset, QColor topLeft, QColor bottomRight) {
        const int l = inset, t = inset, r = w - 1 - inset, b = h - 1 - inset;
        p.setPen(topLeft);
        p.drawLine(l, t, r - 1, t);
        p.drawLine(l, t, l, b - 1);
        p.setPen(bottomRight);
        p.drawLine(l, b, r, b);
        p.drawLine(r, t, r, b);
    };
    edge(1, QColor(128, 128, 128), QColor(255, 255, 255));
    edge(2, QColor(64, 64, 64), QColor(212, 208, 200));
}

} // namespace

FaceWindow::FaceWindow(SettingsStore &store, FaceServices services)
    : QWidget(nullptr, styleFlags(store.settings())), store(store), stored(store.settings()),
      alarmList(store.alarms()), services(services),
      works(stored, alarmList, *this, services.sound, services.clock),
      handCursor(QPixmap(QStringLiteral(":/art/hand.png")), 5, 0)
{
    setWindowTitle(QStringLiteral("Zelka!"));
    FaceAccessible::install();
    // Every pixel is painted from the back buffers: no background erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(windowWidth, windowHeight);
    move(stored.windowX, stored.windowY);

    QIcon icon;
    icon.addFile(QStringLiteral(":/art/icon.png"));
    icon.addFile(QStringLiteral(":/art/icon64.png"));
    setWindowIcon(icon);
    setCursor(Qt::ArrowCursor);
    // Buttons light up under the pointer without a button held.
    setMouseTracking(true);
    // A desktop clock is rarely the active window; its buttons' tips show all the same.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    loadSkin();
    works.create();
    // A save while the clock runs writes where the window is now.
    connect(&store, &SettingsStore::aboutToSave, this, &FaceWindow::recordPosition);
    services.notifier.onStop = [this] { pressStop(); };
    services.notifier.onSnooze = [this] { pressSnooze(); };
    if (X11Window::available()) {
        winId(); // the native window, so that its state can be set before it is mapped
        if (stored.hideFromTaskbar)
            X11Window::setSkipTaskbar(windowHandle());
        closeRequests = std::make_unique<X11Window::CloseRequests>(windowHandle(),
                                                                   [this] { closeUnderDialogs(); });
        QCoreApplication::instance()->installNativeEventFilter(closeRequests.get());
        pointerEvents = std::make_unique<X11Window::PointerEvents>(
            windowHandle(), [this](quint64 time) { pointerMotionReported(time); },
            [this](quint64 time) { pointerPressReported(time); });
        QCoreApplication::instance()->installNativeEventFilter(pointerEvents.get());
    }
}

FaceWindow::~FaceWindow()
{
    services.notifier.onStop = nullptr;
    services.notifier.onSnooze = nullptr;
}

void FaceWindow::loadSkin()
{
    for (int i = 0; i < Skin::bitmapCount; ++i) {
        const auto &info = Skin::bitmaps[i];
        QImage image(QStringLiteral(":/art/") + QLatin1String(info.file));
        // One pixel format for every bitmap, so that a copy is a plain row copy.
        skin[i] = image.convertToFormat(QImage::Format_RGB32);
    }
}

void FaceWindow::releaseSkin()
{
    for (QImage &image : skin)
        image = QImage();
}

QImage &FaceWindow::buffer(Skin::Buffer which)
{
    return skin[which == Skin::Buffer::Normal ? Skin::faceNormal : Skin::faceRinging];
}

const QImage &FaceWindow::backBuffer(Skin::Buffer which) const
{
    return skin[which == Skin::Buffer::Normal ? Skin::faceNormal : Skin::faceRinging];
}

void FaceWindow::copy(Skin::Buffer target, Skin::Bitmap source, QPoint sourceAt, QRect dest,
                      bool toWindow)
{
    BitmapCopy::copy(buffer(target), dest, skin[source], sourceAt);
    if (toWindow)
        update(dest.translated(faceOrigin));
}

void FaceWindow::fillBlack(Skin::Buffer target, QRect dest, bool toWindow)
{
    BitmapCopy::fillBlack(buffer(target), dest);
    if (toWindow)
        update(dest.translated(faceOrigin));
}

void FaceWindow::showWhole(Skin::Buffer)
{
    // The paint handler copies whichever buffer the ringing flag selects.
    update(QRect(faceOrigin, Skin::faceSize));
}

void FaceWindow::SetTimer(int id, int milliseconds)
{
    timers[size_t(id)].start(milliseconds, this);
}

void FaceWindow::KillTimer(int id)
{
    timers[size_t(id)].stop();
}

void FaceWindow::timerEvent(QTimerEvent *event)
{
    for (int id = 1; id < int(timers.size()); ++id) {
        if (timers[size_t(id)].timerId() == event->timerId()) {
            const int64_t shown = works.shownMinute;
            works.onTimer(id);
            if (works.shownMinute != shown)
                FaceAccessible::minuteChanged(this);
            return;
        }
    }
    QWidget::timerEvent(event);
}

void FaceWindow::FlashWindow()
{
    // On one tick, off the next: the request blinks with the bell.
    flashOn = !flashOn;
    if (X11Window::available())
        X11Window::setDemandsAttention(windowHandle(), flashOn);
    else if (flashOn)
        QApplication::alert(this, FaceTimer::ringingMs);
}

void FaceWindow::showAlarmMessage(const QByteArray &message)
{
    AlarmMessageDialog popup(this);
    popup.setMessage(message);
    popup.exec();
}

void FaceWindow::InvalidateRect()
{
    update();
}

void FaceWindow::ringingStarted(int index, int lateMinutes)
{
    services.notifier.showRinging(AlarmNotices::ringing(alarmList[index], lateMinutes));
    skinMayHaveSwitched();
}

void FaceWindow::ringingEnded()
{
    services.notifier.endRinging();
    if (flashOn)
        FlashWindow();
    skinMayHaveSwitched();
}

void FaceWindow::skinMayHaveSwitched()
{
    // A second alarm can start ringing while one rings: that is no switch.
    if (works.isRinging() == skinRinging)
        return;
    skinRinging = works.isRinging();
    QToolTip::hideText();
    FaceAccessible::skinSwitched(this);
}

void FaceWindow::alarmsMissed(const QList<MissedAlarms::Occurrence> &missed)
{
    services.notifier.inform(AlarmNotices::missed(alarmList, missed));
}

void FaceWindow::alarmsChanged()
{
    reportChange();
}

void FaceWindow::reportChange()
{
    store.save(SavePolicy::Warn);
}

void FaceWindow::bringToFront()
{
    if (closed)
        return;
    show();
    raise();
    activateWindow();
}

void FaceWindow::pressStop()
{
    if (!works.isRinging())
        return;
    if (stored.limitRinging)
        KillTimer(FaceTimer::limit);
    works.stopRinging();
}

void FaceWindow::pressSnooze()
{
    if (works.isRinging())
        works.snooze();
}

void FaceWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_S && !(event->modifiers() & ~Qt::KeypadModifier) &&
        works.isRinging()) {
        pressSnooze();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FaceWindow::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        showButtonTip(*static_cast<QHelpEvent *>(event));
        return true;
    }
    return QWidget::event(event);
}

void FaceWindow::showButtonTip(const QHelpEvent &help)
{
    const bool ringing = works.isRinging();
    const QPoint at = help.pos() - faceOrigin;
    const FaceButtons::Hit hit = FaceButtons::hitTest(at.x(), at.y());
    const int k = ringing ? hit.ringing : hit.normal;
    if (k == FaceButtons::none) {
        QToolTip::hideText();
        return;
    }
    // The tip goes when the pointer leaves the button's hit range.
    QToolTip::showText(help.globalPos(), FaceLabels::button(ringing, k).tip(), this,
                       FaceLabels::hitRect(ringing, k).translated(faceOrigin));
}

void FaceWindow::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect faceRect(faceOrigin, Skin::faceSize);
    if (!faceRect.contains(event->rect()))
        drawFrame(p);
    const QImage &face =
        backBuffer(works.isRinging() ? Skin::Buffer::Ringing : Skin::Buffer::Normal);
    if (face.isNull())
        return;
    const QRect r = event->rect() & faceRect;
    p.drawImage(r.topLeft(), face, r.translated(-faceOrigin));
}

void FaceWindow::recordPosition()
{
    // Native Wayland tells no window its place: keep the stored one rather than lose it.
    if (!positionKnown())
        return;
    const QPoint topLeft = frameGeometry().topLeft();
    stored.windowX = topLeft.x();
    stored.windowY = topLeft.y();
}

bool FaceWindow::positionKnown()
{
    return QGuiApplication::platformName() != QLatin1String("wayland");
}

void FaceWindow::saveNow()
{
    if (closed)
        return;
    recordPosition();
    store.save(SavePolicy::Fatal);
}

void FaceWindow::closeUnderDialogs()
{
    if (closing)
        return;
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        modal->hide();
    }
    // Once the dialogs' own loops have returned.
    QTimer::singleShot(0, this, [this] { OnClose(); });
}

void FaceWindow::OnClose()
{
    // A second request (a signal while a failed save's message shows) waits for the first.
    if (closing)
        return;
    closing = true;
    recordPosition();
    releaseSkin();
    store.save(SavePolicy::Fatal);
    store.finish();
    closed = true;
    hide();
    // A tool window does not end the application when it closes: end it here.
    QCoreApplication::quit();
}

void FaceWindow::closeEvent(QCloseEvent *event)
{
    OnClose();
    event->accept();
}

void FaceWindow::mouseMoveEvent(QMouseEvent *event)
{
    lastMoveTime = event->timestamp();
    lastMoveAt = event->globalPosition().toPoint();
    normalBeforeMove = buttons.hoverNormal;
    ringingBeforeMove = buttons.hoverRinging;
    const QPoint at = event->position().toPoint() - faceOrigin;
    switch (buttons.move(at.x(), at.y(), works.isRinging())) {
    case FaceButtons::Pointer::Hand:
        setCursor(handCursor);
        break;
    case FaceButtons::Pointer::Arrow:
        setCursor(Qt::ArrowCursor);
        break;
    case FaceButtons::Pointer::Keep:
        break;
    }
    // Only the left button alone drags, and never while the pointer is on a normal button.
    const bool leftAlone = event->buttons() == Qt::LeftButton &&
                           !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    if (leftAlone && buttons.hoverNormal == FaceButtons::none && dragAnchor) {
        // Follow the pointer so that it stays on the anchor point of the face.
        move(event->globalPosition().toPoint() - faceOrigin - *dragAnchor);
    }
}

void FaceWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton && works.isRinging()) {
        const QPoint at = event->position().toPoint() - faceOrigin;
        if (FaceButtons::hitTest(at.x(), at.y()).ringing == FaceButtons::stopButton)
            pressSnooze();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    using FaceButtons::Action;
    int32_t normal = buttons.hoverNormal;
    int32_t ringingHover = buttons.hoverRinging;
    if (lastMoveMadeUpFor(*event)) {
        normal = normalBeforeMove;
        ringingHover = ringingBeforeMove;
    }
    if (const Action action = FaceButtons::pressAction(works.isRinging(), normal, ringingHover);
        action != Action::BeginDrag) {
        press(action);
        return;
    }
    // Without a known position only the compositor can move the window.
    if (!positionKnown() && windowHandle()) {
        windowHandle()->startSystemMove();
        return;
    }
    dragAnchor = event->position().toPoint() - faceOrigin;
    placeAtPress = pos();
    grabMouse();
}

void FaceWindow::pointerMotionReported(quint64 time)
{
    motionsReported = true;
    lastReportedMotion = time;
}

void FaceWindow::pointerPressReported(quint64 time)
{
    // The press is delivered later, after motions that may follow it in its millisecond.
    if (!motionsReported || lastReportedMotion != time)
        return;
    pressesAfterMotion.push_back(time);
    if (pressesAfterMotion.size() > 16)
        pressesAfterMotion.pop_front();
}

bool FaceWindow::lastMoveMadeUpFor(const QMouseEvent &press) const
{
    // A touch has no pointer resting anywhere: the move to it is the touch's own.
    if (press.pointingDevice() &&
        press.pointingDevice()->type() == QInputDevice::DeviceType::TouchScreen)
        return false;
    // The move Qt makes up for a press carries the press's time.
    if (press.timestamp() != lastMoveTime)
        return false;
    // A real motion and its press often share a millisecond: only a report tells them apart.
    if (motionsReported)
        return std::find(pressesAfterMotion.begin(), pressesAfterMotion.end(), press.timestamp()) ==
               pressesAfterMotion.end();
    // Nothing reports motions here: a move at the press's own time and place is Qt's.
    return press.globalPosition().toPoint() == lastMoveAt;
}

void FaceWindow::press(FaceButtons::Action action)
{
    using FaceButtons::Action;
    switch (action) {
    case Action::StopRinging:
        pressStop();
        break;
    case Action::Quit:
        OnClose();
        break;
    case Action::OpenAlarms: {
        AlarmSetDialog dialog(this, alarmList, services.sound, services.files,
                              services.messageBoxes);
        dialog.changed = [this] { reportChange(); };
        dialog.exec();
        break;
    }
    case Action::OpenOptions:
        runOptions();
        break;
    case Action::OpenLogo: {
        LogoDialog dialog(this);
        dialog.exec();
        break;
    }
    case Action::BeginDrag:
        // A drag needs the pointer: only the mouse begins one.
        break;
    }
}

void FaceWindow::mouseReleaseEvent(QMouseEvent *event)
{
    // The drag ends with the left button; the capture goes with it.
    if (event->button() != Qt::LeftButton || QWidget::mouseGrabber() != this)
        return;
    releaseMouse();
    if (pos() != placeAtPress)
        reportChange();
}

void FaceWindow::copyIntoSheet(OptionsSheet &sheet) const
{
    sheet.load(stored);
    sheet.interfacePage.startAtLogin = Autostart::isEnabled();
}

void FaceWindow::copyFromSheet(const OptionsSheet &sheet)
{
    sheet.store(stored);
    reportChange();
    if (sheet.interfacePage.startAtLogin != int32_t(Autostart::isEnabled()) &&
        !Autostart::setEnabled(sheet.interfacePage.startAtLogin != 0,
                               Autostart::command(qEnvironmentVariable("ZELKA_LAUNCHER"),
                                                  QCoreApplication::applicationFilePath(),
                                                  QDir::currentPath())))
        services.messageBoxes.warning(
            this, QCoreApplication::translate("FaceWindow", "无法更改登录时启动的设置：%1")
                      .arg(Autostart::entryPath()));
}

void FaceWindow::runOptions()
{
    OptionsSheet sheet(this, services.sound, services.files, services.messageBoxes);
    copyIntoSheet(sheet);
    // Only what OK or Apply took over comes back; Cancel leaves the settings alone.
    sheet.applied = [this, &sheet] { copyFromSheet(sheet); };
    sheet.exec();
}
