#include "commands.h"

#include "gbk.h"
#include "nextring.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <ctime>

namespace Commands {

namespace {


QString hhmm(int64_t hour, int64_t minute)
{
    return QStringLiteral("%1:%2").arg(hour, 2, 10, QLatin1Char('0')).arg(minute, 2, 10, QLatin1Char('0'));
}

QString onceText(const AlarmEntry &a)
{
    return a.isDone() ? QStringLiteral("done") : a.isOnce() ? QStringLiteral("once")
                                                            : QStringLiteral("-");
}

// The day a skipped or paused alarm may ring again, or none.
QString heldTo(const AlarmEntry &a)
{
    return a.notBefore ? QDateTime::fromSecsSinceEpoch(a.notBefore).date().toString(Qt::ISODate)
                       : QString();
}

QString listText(const AlarmList &alarms)
{
    QString out;
    for (int i = 0; i < alarms.GetSize(); ++i) {
        const AlarmEntry &a = alarms[i];
        out += QStringList{hhmm(a.hour, a.minute), CommandLine::daysText(a.weekdays), onceText(a),
                           a.notBefore ? QStringLiteral("until ") + heldTo(a) : QStringLiteral("-"),
                           a.showMessage ? QStringLiteral("message") : QStringLiteral("silent"),
                           Gbk::toUnicode(a.message)}
                   .join(QLatin1Char(' '))
                   .trimmed() +
               QLatin1Char('\n');
    }
    return out;
}

QString listJson(const AlarmList &alarms)
{
    QJsonArray list;
    for (int i = 0; i < alarms.GetSize(); ++i) {
        const AlarmEntry &a = alarms[i];
        list.append(QJsonObject{{QStringLiteral("time"), hhmm(a.hour, a.minute)},
                                {QStringLiteral("days"), CommandLine::daysText(a.weekdays)},
                                {QStringLiteral("once"), a.isOnce()},
                                {QStringLiteral("done"), a.isDone()},
                                {QStringLiteral("until"), a.notBefore ? QJsonValue(heldTo(a))
                                                                      : QJsonValue()},
                                {QStringLiteral("showMessage"), a.showMessage != 0},
                                {QStringLiteral("message"), Gbk::toUnicode(a.message)},
                                {QStringLiteral("sound"), Gbk::toUnicode(a.sound)}});
    }
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)) + QLatin1Char('\n');
}

int find(const AlarmList &alarms, int hour, int minute)
{
    for (int i = 0; i < alarms.GetSize(); ++i)
        if (alarms[i].minuteOfDay() == int64_t(hour) * 60 + minute)
            return i;
    return -1;
}

Answer noAlarmAt(int hour, int minute)
{
    return {1, QCoreApplication::translate("Commands", "没有 %1 的闹钟\n").arg(hhmm(hour, minute)), false};
}

} // namespace

Answer nothingRings()
{
    return {1, QCoreApplication::translate("Commands", "没有正在响的闹钟\n"), false};
}

Answer run(const CommandLine::Request &r, AlarmList &alarms, const Settings &settings,
           const QList<Clockwork::Snoozed> &snoozed, int64_t now)
{
    using CommandLine::Action;
    switch (r.action) {
    case Action::List:
        return {0, r.json ? listJson(alarms) : listText(alarms), false};
    case Action::Next: {
        const auto next = NextRing::next(alarms, settings, snoozed, now);
        if (!next)
            return {1, QCoreApplication::translate("Commands", "没有会响的闹钟\n"), false};
        const QDateTime at = QDateTime::fromSecsSinceEpoch(next->minute);
        return {0, at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate) + QLatin1Char('\n'),
                false};
    }
    case Action::Add:
    case Action::In: {
        AlarmEntry entry;
        entry.hour = r.hour;
        entry.minute = r.minute;
        entry.weekdays = r.weekdays;
        entry.onceFlags = r.once ? AlarmEntry::once : 0;
        if (r.action == Action::In) {
            const time_t at = time_t(now + int64_t(r.minutes) * 60);
            tm local{};
            localtime_r(&at, &local);
            entry.hour = local.tm_hour;
            entry.minute = local.tm_min;
            entry.weekdays = AlarmEntry::everyDay;
            entry.onceFlags = AlarmEntry::once;
        }
        entry.message = Gbk::fromUnicode(r.message.value_or(QString()));
        entry.showMessage = r.message ? 1 : 0;
        entry.sound = QByteArrayLiteral("Ring.wav");
        alarms.SetInOrder(entry);
        return {0, r.action == Action::In ? hhmm(entry.hour, entry.minute) + QLatin1Char('\n')
                                          : QString(),
                true};
    }
    case Action::Remove: {
        const int at = find(alarms, r.hour, r.minute);
        if (at < 0)
            return noAlarmAt(r.hour, r.minute);
        alarms.RemoveAt(at);
        return {0, QString(), true};
    }
    case Action::SkipNext:
    case Action::Pause: {
        const int at = find(alarms, r.hour, r.minute);
        if (at < 0)
            return noAlarmAt(r.hour, r.minute);
        AlarmEntry &e = alarms[at];
        if (r.action == Action::Pause)
            e.notBefore = QDateTime(r.until, QTime(0, 0)).toSecsSinceEpoch();
        else if (e.isOnce())
            e.onceFlags |= AlarmEntry::done; // its next ring is its only one
        else
            e.notBefore = NextRing::skipTo(e, now);
        return {0, QString(), true};
    }
    case Action::Stop:
    case Action::Snooze:
    case Action::Help:
    case Action::Version:
        break;
    }
    return {CommandLine::usageStatus, QCoreApplication::translate("Commands", "这个命令不改闹钟\n"), false};
}

} // namespace Commands
