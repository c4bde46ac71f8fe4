#include "logodialog.h"

#include "bitmapcopy.h"

#include "dialogtemplate.h"
#include "dialogunits.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>
#include <qdrawutil.h>

#include <algorithm>
#include <cstring>

using namespace Logo;

LogoDialog::LogoDialog(QWidget *parent, int periodPercent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), periodPercent(periodPercent)
{
    setFont(DialogUnits::dialogFont());
    // It has no title bar to show a name, but a screen reader still needs one.
    setAccessibleName(QCoreApplication::translate("LogoDialog", "关于 Zelka!"));
    // Every pixel is painted from backImage or the frame: no background erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Sized to the picture, not to 167 x 118 dialog units, which match it in no font.
    setFixedSize(imageSize + QSize(2 * frameWidth, 2 * frameWidth));

    // Centred in the work area of the screen the face is on.
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void LogoDialog::done(int result)
{
    timers.stopAll();
    QDialog::done(result);
}

void LogoDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!created)
        OnCreate();
}

void LogoDialog::OnCreate()
{
    created = true;
    for (int i = 0; i < pictureCount; ++i) {
        const QImage picture(QStringLiteral(":/art/") + QLatin1String(Logo::pictures[i].file));
        // One pixel format for the pictures and backImage, so that a copy is a row copy.
        pictures[size_t(i)] = picture.convertToFormat(QImage::Format_RGB32);
    }
    image = QImage(imageSize, QImage::Format_RGB32);
    carryOut(steps.OnCreate());
}

void LogoDialog::carryOut(const LogoAnimation::Step &step)
{
    for (const Draw &draw : step.draws) {
        if (draw.kind == Draw::BitBlt)
            BitmapCopy::copy(image, draw.to, pictures[size_t(draw.source)], draw.from.topLeft());
        else
            BitmapCopy::fillBlack(image, draw.to);
        if (draw.toWindow)
            update(draw.to.translated(clientOrigin));
    }
    if (step.killTimer)
        timers.stop(step.killTimer);
    if (step.setTimer)
        timers.start(step.setTimer, step.periodMs * periodPercent / 100, this);
}

void LogoDialog::timerEvent(QTimerEvent *event)
{
    if (const int id = timers.idOf(event->timerId())) {
        carryOut(steps.OnTimer(id));
        return;
    }
    QDialog::timerEvent(event);
}

void LogoDialog::keyPressEvent(QKeyEvent *event)
{
    // With no buttons there is no default button: Enter is OK by itself.
    closeOnEnterOrEscape(this, event);
}

void LogoDialog::mousePressEvent(QMouseEvent *event)
{
    // The frame is not part of the client area and takes no clicks.
    if (event->button() == Qt::LeftButton && clientRect().contains(event->position().toPoint()) &&
        steps.clickEndsDialog())
        done(0);
}

void LogoDialog::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (!clientRect().contains(event->rect())) {
        painter.fillRect(rect(), palette().window());
        qDrawWinPanel(&painter, rect(), palette());
    }
    // An exact copy, never smoothed: a high-DPI screen's whole scale factor doubles pixels.
    const QRect r = event->rect() & clientRect();
    if (image.isNull())
        painter.fillRect(r, Qt::black);
    else
        painter.drawImage(r.topLeft(), image, r.translated(-clientOrigin));
}
