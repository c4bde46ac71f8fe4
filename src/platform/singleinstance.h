#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>

class QSocketNotifier;

// One clock per settings file. The first start holds the kernel's lock on a file keyed on
// the settings file's real path and listens on a local socket; a later start that finds
// the lock held knocks on that socket, which brings the first clock's face to the front,
// and leaves. Only a live process holds the lock, whatever the file holds or whoever
// left it, so a clock that was killed never keeps the next one out.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum class Claim {
        Run,     // this process runs the clock
        Knocked, // another clock runs on the file and has been asked to come to the front
        Refused, // another process holds the lock and did not answer the knock
    };

    // settingsFile need not exist yet. A later start waits up to answerWait for the
    // holder's answer before it gives up.
    explicit SingleInstance(const QString &settingsFile,
                            std::chrono::milliseconds answerWait = std::chrono::seconds(1));
    ~SingleInstance() override;

    Claim claim();

    // The settings file's path with every link and ".." resolved, existing or not.
    static QString canonicalPath(const QString &settingsFile);
    // The lock taken or found held; before claim(), the first place tried.
    QString lockPath() const { return lockFileName; }
    QString socketPath() const { return socketFileName; }
    // Why a refused claim got no answer.
    QString refusal() const { return refusalReason; }

Q_SIGNALS:
    // In the first clock, when a later start knocks.
    void knock();

private:
    bool takeLock();
    void listen();
    int knockOnce() const;
    void acceptKnocks();

    std::chrono::milliseconds answerWait;
    // Where a lock may sit, best first: the runtime folder, beside the settings file, the
    // user's state folder.
    QStringList lockCandidates;
    QString stateDir;
    QString lockFileName;
    QString socketFileName;
    QString refusalReason;
    int lockFd = -1;
    int listenFd = -1;
    QSocketNotifier *notifier = nullptr;
};
