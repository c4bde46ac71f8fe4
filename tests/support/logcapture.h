#pragma once

#include <QMutex>
#include <QStringList>

// The lines the code under test logs while this lives, as "category: message", from any
// thread: QtTest would otherwise take them into its own log, not stderr.
class LogCapture
{
public:
    LogCapture()
    {
        taken.clear();
        previous = qInstallMessageHandler(&LogCapture::take);
    }
    ~LogCapture() { qInstallMessageHandler(previous); }

    QStringList lines() const
    {
        const QMutexLocker lock(&guard);
        return taken;
    }

private:
    static void take(QtMsgType, const QMessageLogContext &context, const QString &text)
    {
        const QMutexLocker lock(&guard);
        taken.append(QString::fromLatin1(context.category) + QStringLiteral(": ") + text);
    }

    static inline QMutex guard;
    static inline QStringList taken;
    QtMessageHandler previous = nullptr;
};
