#include "facewindow.h"

#include "bitmapcopy.h"
#include "faceaccessible.h"
#include "facelabels.h"
#include "x11window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <QWindow>

#include <algorithm>

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

FaceWindow::FaceWindow(SettingsStore &store, FaceServices services, Language language)
    : QWidget(nullptr, styleFlags(store.settings())), stored(store.settings()),
      works(stored, store.alarms(), *this, services.sound, services.clock),
      routes(*this, store, works, services),
      handCursor(QPixmap(QStringLiteral(":/art/hand.png")), 5, 0),
      speedUp(std::max(1, services.timerSpeedUp))
{
    setWindowTitle(QStringLiteral("Zelka!"));
    FaceAccessible::install();
    // Every pixel is painted from the back buffers: no background erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(windowWidth, windowHeight);
    move(stored.windowX, stored.windowY);
    if (positionKnown())
        onScreen.watch();

    QIcon icon;
    icon.addFile(QStringLiteral(":/art/icon.png"));
    icon.addFile(QStringLiteral(":/art/icon64.png"));
    setWindowIcon(icon);
    setCursor(Qt::ArrowCursor);
    // Buttons light up under the pointer without a button held.
    setMouseTracking(true);
    // A desktop clock is rarely the active window; its buttons' tips show all the same.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    loadSkin(language);
    works.create();
    // A save while the clock runs writes where the window is now.
    connect(&store, &SettingsStore::aboutToSave, this, &FaceWindow::recordPosition);
    connect(&routes, &FaceController::quitting, this, &FaceWindow::releaseSkin);
    connect(&works, &Clockwork::minuteChanged, this, [this] {
        FaceAccessible::minuteChanged(this);
        FaceAccessible::bellChanged(this);
    });
    connect(&routes, &FaceController::changed, this,
            [this] { FaceAccessible::bellChanged(this); });
    connect(&works, &Clockwork::ringingStarted, this, &FaceWindow::skinMayHaveSwitched);
    connect(&works, &Clockwork::ringingEnded, this, &FaceWindow::onRingingEnded);
    if (X11Window::available()) {
        winId(); // the native window, so that its state can be set before it is mapped
        if (stored.hideFromTaskbar)
            X11Window::setSkipTaskbar(windowHandle());
        closeRequests = std::make_unique<X11Window::CloseRequests>(
            windowHandle(), [this] { routes.quitUnderDialogs(); });
        QCoreApplication::instance()->installNativeEventFilter(closeRequests.get());
        pointerEvents = std::make_unique<X11Window::PointerEvents>(
            windowHandle(), [this](quint64 time) { pointerMotionReported(time); },
            [this](quint64 time) { pointerPressReported(time); });
        QCoreApplication::instance()->installNativeEventFilter(pointerEvents.get());
    }
}

FaceWindow::~FaceWindow() = default;

void FaceWindow::loadSkin(Language language)
{
    for (int i = 0; i < Skin::bitmapCount; ++i) {
        const char *file = Skin::bitmapFile(Skin::Bitmap(i), language);
        QImage image(QStringLiteral(":/art/") + QLatin1String(file));
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
    timers.start(id, milliseconds / speedUp, this);
}

void FaceWindow::KillTimer(int id)
{
    timers.stop(id);
}

void FaceWindow::timerEvent(QTimerEvent *event)
{
    const int id = timers.idOf(event->timerId());
    if (!id) {
        QWidget::timerEvent(event);
        return;
    }
    works.onTimer(id);
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

void FaceWindow::onRingingEnded()
{
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

void FaceWindow::bringToFront()
{
    if (isClosed())
        return;
    show();
    raise();
    activateWindow();
}

void FaceWindow::pressStop()
{
    if (works.isRinging())
        works.stopRinging();
}

void FaceWindow::pressSnooze()
{
    if (works.isRinging())
        works.snooze();
}

void FaceWindow::keyPressEvent(QKeyEvent *event)
{
    const FaceKeys::Answer answer = keys.key(event->key(), event->modifiers(), works.isRinging());
    if (answer.moved)
        FaceAccessible::focusMoved(this);
    if (answer.press)
        press(*answer.press);
    else if (!answer.taken)
        QWidget::keyPressEvent(event);
}

bool FaceWindow::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        showButtonTip(*static_cast<QHelpEvent *>(event));
        return true;
    }
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate) {
        keys.setActive(event->type() == QEvent::WindowActivate, works.isRinging());
        FaceAccessible::focusMoved(this);
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
    QString tip = FaceLabels::button(ringing, k).tip();
    if (!ringing && k == FaceButtons::alarmButton) {
        // Under the name: the next alarm, then whether waking from sleep can ring it.
        QString next = QLatin1Char('\n') + bellDescription();
        const QString wake = FaceLabels::wakeLine(routes.canWake());
        if (!wake.isEmpty())
            next += QLatin1Char('\n') + wake;
        tip.insert(FaceLabels::button(false, k).name().size(), next);
    }
    QToolTip::showText(help.globalPos(), tip, this,
                       FaceLabels::hitRect(ringing, k).translated(faceOrigin));
}

void FaceWindow::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect faceRect(faceOrigin, Skin::faceSize);
    if (!faceRect.contains(event->rect()))
        drawFrame(p);
    const QImage &face = buffer(works.isRinging() ? Skin::Buffer::Ringing : Skin::Buffer::Normal);
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
    const QPoint topLeft = onScreen.recorded(frameGeometry().topLeft());
    stored.windowX = topLeft.x();
    stored.windowY = topLeft.y();
}

bool FaceWindow::positionKnown()
{
    return QGuiApplication::platformName() != QLatin1String("wayland");
}

void FaceWindow::closeEvent(QCloseEvent *event)
{
    OnClose();
    event->accept();
}

void FaceWindow::mouseMoveEvent(QMouseEvent *event)
{
    moves.moved(event->timestamp(), event->globalPosition().toPoint());
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
    if (moves.lastWasMadeUpFor(*event)) {
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
    moves.motionReported(time);
}

void FaceWindow::pointerPressReported(quint64 time)
{
    moves.pressReported(time);
}

void FaceWindow::press(FaceButtons::Action action)
{
    using FaceButtons::Action;
    switch (action) {
    case Action::StopRinging:
        pressStop();
        break;
    case Action::Snooze:
        pressSnooze();
        break;
    case Action::Quit:
        OnClose();
        break;
    case Action::OpenAlarms:
        routes.openAlarms();
        break;
    case Action::OpenOptions:
        routes.openOptions();
        break;
    case Action::OpenLogo:
        routes.openLogo();
        break;
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
        routes.reportChange();
}
