#include "wakealarm.h"

#include "zelkalog.h"

#include <QProcess>

#include <sys/timerfd.h>
#include <unistd.h>

WakeAlarm::WakeAlarm(QString helper, QObject *parent)
    : WakeTimer(parent), helperPath(std::move(helper))
{
    // Cheap and without a wake-up: a session that grants the capability needs no helper.
    ownTimer = timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC | TFD_NONBLOCK);
    if (ownTimer >= 0)
        canWake = true;
}

WakeAlarm::~WakeAlarm()
{
    if (ownTimer >= 0)
        ::close(ownTimer);
    if (helper) {
        // End of input ends it; QProcess kills it too. A crash of ours: its death signal.
        helper->disconnect(this);
        helper->closeWriteChannel();
    }
}

void WakeAlarm::arm(std::optional<int64_t> at)
{
    wanted = at.value_or(0);
    if (ownTimer < 0 && !helper && *wanted != 0)
        startHelper();
    send();
}

void WakeAlarm::send()
{
    if (!wanted || wanted == sent)
        return;
    if (ownTimer >= 0) {
        itimerspec when{};
        when.it_value.tv_sec = time_t(*wanted);
        if (timerfd_settime(ownTimer, *wanted ? TFD_TIMER_ABSTIME : 0, &when, nullptr) == 0)
            sent = wanted;
        return;
    }
    if (!helperReady)
        return;
    helper->write(QByteArray::number(qint64(*wanted)) + '\n');
    sent = wanted;
}

void WakeAlarm::startHelper()
{
    helper = new QProcess(this);
    helper->setProgram(helperPath);
    helper->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(helper, &QProcess::readyReadStandardOutput, this, [this] {
        // Its one word: the timer is made and its privilege gone.
        if (!helperReady && helper->readAllStandardOutput().contains("ready")) {
            helperReady = true;
            settle(true);
            send();
        }
    });
    connect(helper, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        qCInfo(zelkaLog).noquote() << "waking from sleep unavailable: cannot start" << helperPath
                                   << "(" << helper->errorString() << ")";
        settle(false);
    });
    connect(helper, &QProcess::finished, this, [this](int status, QProcess::ExitStatus how) {
        qCInfo(zelkaLog).noquote().nospace()
            << "waking from sleep unavailable: " << helperPath << " ended with status "
            << (how == QProcess::NormalExit ? status : -1)
            << (status == noCapabilityStatus ? " (no CAP_WAKE_ALARM)" : "");
        helperReady = false;
        sent.reset();
        settle(false);
    });
    helper->start(QIODevice::ReadWrite);
}

void WakeAlarm::settle(bool available)
{
    if (canWake == available)
        return;
    canWake = available;
    Q_EMIT availabilityKnown(available);
}
