#include "facewindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>

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

FaceWindow::FaceWindow(const Settings &loaded, AlarmList &alarms, SaveFunction save)
    : QWidget(nullptr, styleFlags(loaded)), stored(loaded), alarmList(alarms),
      saveSettings(std::move(save))
{
    setWindowTitle(QStringLiteral("Zelka!"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(windowWidth, windowHeight);
    move(stored.windowX, stored.windowY);
    faceNormal = QImage(QStringLiteral(":/art/face.png"));
    if (faceNormal.isNull()) {
        faceNormal = QImage(151, 130, QImage::Format_RGB32);
        faceNormal.fill(QColor(40, 44, 52));
    }
}

void FaceWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    drawFrame(p);
    if (!faceNormal.isNull())
        p.drawImage(faceLeft, faceTop, faceNormal);
}

void FaceWindow::recordPosition()
{
    const QPoint topLeft = frameGeometry().topLeft();
    stored.windowX = topLeft.x();
    stored.windowY = topLeft.y();
}

void FaceWindow::releaseSkin()
{
    faceNormal = QImage();
}

void FaceWindow::saveNow()
{
    if (closed)
        return;
    recordPosition();
    saveSettings(stored);
}

void FaceWindow::OnClose()
{
    if (closed)
        return;
    recordPosition();
    releaseSkin();
    saveSettings(stored);
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
