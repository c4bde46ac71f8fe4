#pragma once

#include <QBasicTimer>
#include <QByteArray>
#include <QDialog>

class QPlainTextEdit;

// The popup that types an alarm's message out when the alarm stops ringing: no caption,
// no buttons, one read-only box; only Enter or Esc closes it.
class AlarmMessageDialog : public QDialog
{
public:
    explicit AlarmMessageDialog(QWidget *parent);

    // GBK bytes, as the alarm list holds them; set before exec().
    void setMessage(const QByteArray &gbk) { messageText = gbk; }
    // The alarm's hour * 60 + minute, which names the popup for screen readers.
    void setAlarmTime(int minuteOfDay);

    // Closing ends the typing: no tick reaches a closed popup.
    void done(int result) override;

    // Leading bytes of the message that the next tick shows.
    int shownBytes = 0;

    // The thin modal frame drawn around the client area, in pixels.
    static constexpr int frameWidth = 3;
    static constexpr int typingIntervalMs = 50;

protected:
    void showEvent(QShowEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QByteArray messageText;
    QPlainTextEdit *box;
    QBasicTimer typing;
    bool created = false;
};
