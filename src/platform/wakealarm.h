#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

class QProcess;

// A timer that wakes a suspended machine, as the clock's wake-up plan sees it.
class WakeTimer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Wakes the machine at that many seconds since the epoch; none disarms.
    virtual void arm(std::optional<int64_t> at) = 0;
    // Whether a suspended machine will be woken; none while that is not yet known.
    virtual std::optional<bool> available() const = 0;
    // The time the timer holds, in seconds since the epoch; none while it is disarmed.
    virtual std::optional<int64_t> armed() const = 0;

Q_SIGNALS:
    // available() has become known.
    void availabilityKnown(bool available);
};

// The timer that wakes a suspended machine for the next alarm: a CLOCK_REALTIME_ALARM
// timerfd of our own where the session grants CAP_WAKE_ALARM, otherwise one held by the
// zelka-wake helper beside the binary, told each new time on its standard input.
class WakeAlarm : public WakeTimer
{
    Q_OBJECT

public:
    // The helper's exit status when it was refused the capability.
    static constexpr int noCapabilityStatus = 3;

    // helper: the zelka-wake to start when this process may not arm the timer itself.
    explicit WakeAlarm(QString helper, QObject *parent = nullptr);
    ~WakeAlarm() override;

    // Nothing is done for the time already armed, and no helper starts before there is
    // one to arm.
    void arm(std::optional<int64_t> at) override;
    // None while the helper is still starting.
    std::optional<bool> available() const override { return canWake; }
    std::optional<int64_t> armed() const override
    {
        return sent.value_or(0) != 0 ? sent : std::nullopt;
    }

private:
    void startHelper();
    void settle(bool available);
    void send();

    QString helperPath;
    int ownTimer = -1;
    QProcess *helper = nullptr;
    bool helperReady = false;
    std::optional<bool> canWake;
    std::optional<int64_t> wanted;
    std::optional<int64_t> sent; // what the timer holds
};
