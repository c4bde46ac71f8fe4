#include "alarmnotices.h"

#include "gbk.h"

#include <QCoreApplication>

namespace {

QString timeOf(int hour, int minute)
{
    return QStringLiteral("%1:%2")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(minute, 2, 10, QLatin1Char('0'));
}

QString timeOf(const AlarmEntry &alarm)
{
    return timeOf(alarm.hour, alarm.minute);
}

// A message the user chose not to show stays out of the notification too.
QString messageOf(const AlarmEntry &alarm)
{
    return alarm.showMessage ? Gbk::toUnicode(alarm.message) : QString();
}

} // namespace

namespace AlarmNotices {

Notice ringing(const AlarmEntry &alarm, int lateMinutes)
{
    Notice n;
    n.summary = QCoreApplication::translate("AlarmNotices", "闹钟 %1").arg(timeOf(alarm));
    if (lateMinutes > 0)
        n.summary +=
            QCoreApplication::translate("AlarmNotices", "（晚了 %1 分钟）").arg(lateMinutes);
    n.body = messageOf(alarm);
    return n;
}

Notice missed(const AlarmList &alarms, const QList<MissedAlarms::Occurrence> &missed)
{
    Notice n;
    n.summary = QCoreApplication::translate("AlarmNotices", "错过的闹钟");
    QStringList lines;
    for (const MissedAlarms::Occurrence &o : missed) {
        const AlarmEntry &alarm = alarms[o.index];
        const QString message = messageOf(alarm);
        lines.append(message.isEmpty() ? timeOf(alarm)
                                       : timeOf(alarm) + QLatin1Char(' ') + message);
    }
    n.body = lines.join(QLatin1Char('\n'));
    return n;
}

Notice notRinging(const AlarmEntry &next)
{
    return {QCoreApplication::translate("AlarmNotices", "Zelka! 已退出：下一个闹钟 %1 不会响")
                .arg(timeOf(next)),
            QCoreApplication::translate("AlarmNotices", "闹钟只在 Zelka! 运行时响。")};
}

Notice cannotWake(const QString &helper)
{
    return {QCoreApplication::translate("AlarmNotices", "此电脑睡眠时无法唤醒"),
            QCoreApplication::translate("AlarmNotices",
                                        "闹钟只在电脑醒着时响。要让它从睡眠中唤醒电脑，"
                                        "请安装 Zelka! 的 Debian 软件包，或运行：\n"
                                        "sudo setcap cap_wake_alarm+ep %1")
                .arg(helper)};
}

Notice cannotBeHeard(int minuteOfDay, AudibleCheck::Problem problem)
{
    using AudibleCheck::Problem;
    const QString summary =
        problem == Problem::Muted
            ? QCoreApplication::translate("AlarmNotices", "闹钟可能听不见：声音输出已静音")
        : problem == Problem::Quiet
            ? QCoreApplication::translate("AlarmNotices", "闹钟可能听不见：声音输出的音量低于 10%")
            : QCoreApplication::translate("AlarmNotices", "闹钟可能听不见：没有声音输出设备");
    return {summary, QCoreApplication::translate("AlarmNotices", "闹钟 %1")
                         .arg(timeOf(minuteOfDay / 60, minuteOfDay % 60))};
}

} // namespace AlarmNotices
