#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

class QProcess;

// The timer that wakes a suspended machine for the next alarm: a CLOCK_REALTIME_ALARM
// timerfd of our own where the session grants CAP_WAKE_ALARM, otherwise one held by the
// zelka-wake helper beside the binary, told each new time on its standard input.
class WakeAlarm : public QObject
{
    Q_OBJECT

public:
    // The helper's exit status when it was refused the capability.
    static constexpr int noCapabilityStatus = 3;

    // helper: the zelka-wake to start when this process may not arm the timer itself.
    explicit WakeAlarm(QString helper, QObject *parent = nullptr);
    ~WakeAlarm() override;

    // Wakes the machine at that many seconds since the epoch; none disarms. Nothing is
    // done for the time already armed, and no helper starts before there is one to arm.
    void arm(std::optional<int64_t> at);
    // Whether a suspended machine will be woken; none while the helper is still starting.
    std::optional<bool> available() const { return canWake; }

Q_SIGNALS:
    // available() has become known.
    void availabilityKnown(bool available);

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
