#pragma once

#include "logoanimation.h"
#include "timertable.h"

#include <QDialog>
#include <QImage>

#include <array>

// The face's question-mark button opens this: no caption, no controls, a black picture on
// which the logo slides up and then the badge opens out. A click ends it only once the
// animation has finished; Enter or Esc end it at any time.
class LogoDialog : public QDialog
{
public:
    // The animation's periods are its steps' own times periodPercent / 100, so a test can
    // run it faster.
    explicit LogoDialog(QWidget *parent, int periodPercent = 100);

    // The thin modal frame drawn around the client area, in pixels.
    static constexpr int frameWidth = 3;
    static constexpr QPoint clientOrigin{frameWidth, frameWidth};
    // The client area fits the picture exactly, so nothing of it is cut off.
    static QRect clientRect() { return QRect(clientOrigin, Logo::imageSize); }

    const LogoAnimation &animation() const { return steps; }
    const QImage &backImage() const { return image; }

    // Closing ends the animation: no tick reaches a closed dialog.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void OnCreate();
    void carryOut(const LogoAnimation::Step &step);

    LogoAnimation steps;
    std::array<QImage, Logo::pictureCount> pictures; // logoPicture, badgePicture
    QImage image;                                    // backImage
    TimerTable<2> timers;
    const int periodPercent;
    bool created = false;
};
