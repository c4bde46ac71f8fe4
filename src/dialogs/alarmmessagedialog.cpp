#include "alarmmessagedialog.h"

#include "dialogtemplate.h"
#include "dialogunits.h"
#include "gbk.h"
#include "messagetyping.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTimerEvent>
#include <qdrawutil.h>

namespace {

// The box converts letters to upper case; one character at a time, so nothing grows.
QString upperCase(QString text)
{
    for (QChar &c : text)
        c = c.toUpper();
    return text;
}

} // namespace

AlarmMessageDialog::AlarmMessageDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setFont(DialogUnits::dialogFont());
    const DialogUnits units(font());
    const QPoint frame(frameWidth, frameWidth);
    setFixedSize(units.size(119, 70) + QSize(2 * frameWidth, 2 * frameWidth));

    box = new QPlainTextEdit(this);
    box->setGeometry(units.rect(7, 7, 105, 56).translated(frame));
    box->setReadOnly(true);
    box->setAccessibleName(QCoreApplication::translate("AlarmMessageDialog", "消息"));
    box->setUndoRedoEnabled(false);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Words wrap; a word longer than the box, or a run of Chinese, breaks anywhere.
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextOption centred = box->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    box->document()->setDefaultTextOption(centred);
}

void AlarmMessageDialog::setAlarmTime(int minuteOfDay)
{
    setAccessibleName(QCoreApplication::translate("AlarmMessageDialog", "闹钟 %1")
                          .arg(QString::asprintf("%02d:%02d", minuteOfDay / 60, minuteOfDay % 60)));
}

void AlarmMessageDialog::done(int result)
{
    typing.stop();
    QDialog::done(result);
}

void AlarmMessageDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (created)
        return;
    created = true;
    // The face's client area is inset by the same 3-pixel frame as ours, so placing the
    // outer corners 10, 10 units apart puts the client areas that far apart too.
    const DialogUnits units(font());
    if (parentWidget())
        move(parentWidget()->mapToGlobal(QPoint(units.x(10), units.y(10))));
    typing.start(typingIntervalMs, this);
}

void AlarmMessageDialog::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != typing.timerId()) {
        QDialog::timerEvent(event);
        return;
    }
    const MessageTyping::Step step = MessageTyping::step(messageText, shownBytes);
    // A lead byte whose partner has not been typed yet converts to nothing and waits.
    box->setPlainText(upperCase(Gbk::toUnicode(step.text)));
    if (step.stop)
        typing.stop();
}

void AlarmMessageDialog::keyPressEvent(QKeyEvent *event)
{
    // The box is read-only and leaves these keys to us, so they work while it has focus.
    closeOnEnterOrEscape(this, event);
}

void AlarmMessageDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    qDrawWinPanel(&painter, rect(), palette());
}
