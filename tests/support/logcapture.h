#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The stderr lines the code under test writes while this lives, as "category: message":
// QtTest would otherwise take them for its own log.
class LogCapture
{
public:
    LogCapture()
    {
        taken().clear();
        previous = qInstallMessageHandler(&LogCapture::take);
    }
    ~LogCapture() { qInstallMessageHandler(previous); }

    QStringList lines() const
    {
        const QMutexLocker lock(&guard());
        return taken();
    }

private:
    static void take(QtMsgType, const QMessageLogContext &context, const QString &text)
    {
        const QMutexLocker lock(&guard());
        taken().append(QString::fromLatin1(context.category) + QStringLiteral(": ") + text);
    }
    static QMutex &guard()
    {
        static QMutex mutex;
        return mutex;
    }
    static QStringList &taken()
    {
        static QStringList lines;
        return lines;
    }

    QtMessageHandler previous = nullptr;
};
