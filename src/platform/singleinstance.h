#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;

// One clock per settings file. The first start in a folder holds a lock keyed on the
// settings file's real path and listens on a local socket beside it; a later start that
// finds the lock held knocks on that socket, which brings the first clock's face to the
// front, and leaves. The kernel drops the lock's hold with its process, so a clock that
// was killed never keeps the next one out.
class SingleInstance : public QObject
{
public:
    // settingsFile need not exist yet.
    explicit SingleInstance(const QString &settingsFile);
    ~SingleInstance() override;

    // True when this process may run the clock; false when another clock runs on the
    // same file, which has been asked to come to the front.
    bool claim();

    // Runs in the first clock when a later start knocks.
    std::function<void()> onKnock;

    // The settings file's path with every link and ".." resolved, existing or not.
    static QString canonicalPath(const QString &settingsFile);
    QString lockPath() const { return lockFileName; }
    QString socketPath() const { return socketFileName; }

private:
    void listen();
    void knock() const;
    void acceptKnocks();

    QString lockFileName;
    QString socketFileName;
    std::unique_ptr<QLockFile> lock;
    int listenFd = -1;
    QSocketNotifier *notifier = nullptr;
};
