// The floor for the footprint benchmark: a bare frameless Qt window of the clock's size
// with the clock's two timers, each repainting one small rectangle, and nothing else.
#include <QApplication>
#include <QBasicTimer>
#include <QPainter>
#include <QTimerEvent>
#include <QWidget>

class BareWindow : public QWidget
{
public:
    BareWindow() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool)
    {
        setWindowTitle(QStringLiteral("Bare"));
        setFixedSize(157, 136);
        half.start(500, this);
        second.start(1000, this);
    }

protected:
    void timerEvent(QTimerEvent *event) override
    {
        if (event->timerId() == half.timerId()) {
            on = !on;
            update(75, 73, 6, 19);
        } else {
            update(24, 47, 18, 19);
        }
    }
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), on ? Qt::black : Qt::darkGray);
    }

private:
    QBasicTimer half, second;
    bool on = false;
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    BareWindow window;
    window.show();
    return app.exec();
}
