#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <map>
#include <memory>

class QSocketNotifier;

// One clock per settings file. The first start holds the kernel's lock on a file keyed on
// the settings file's real path and listens on a local socket; a later start that finds
// the lock held knocks on that socket, which brings the first clock's face to the front,
// and leaves. Only a live process holds the lock, whatever the file holds or whoever
// left it, so a clock that was killed never keeps the next one out. A start with a command
// sends it on the same socket, one line, and prints the line the clock answers.
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
    // For a command: Run when no clock holds the lock (the caller edits the file itself and
    // nothing listens meanwhile, so a clock started now waits for the lock); Knocked when
    // the running clock answered, with its answer in reply().
    Claim claimForCommand(const QStringList &arguments);

    struct Reply {
        int status = 1;
        QString text;
    };
    const Reply &reply() const { return answered; }
    // In the first clock: the answer to command(id, ...); the connection closes after it.
    void answer(quint64 id, const Reply &reply);

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
    // In the first clock, when a later start sends a command; answer(id) replies.
    void command(quint64 id, const QStringList &arguments);

private:
    bool takeLock();
    void listen();
    int knockOnce() const;
    int askOnce(const QByteArray &request);
    void acceptKnocks();
    class Peer;
    void readPeer(quint64 id);
    void dropPeer(quint64 id);

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
    Reply answered;
    quint64 nextPeer = 0;
    std::map<quint64, std::unique_ptr<Peer>> peers;
};
