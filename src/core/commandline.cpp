#include "commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <string_view>

namespace CommandLine {

namespace {


// Monday first, as a week is read; the bit is the settings file's (0 Sunday).
constexpr std::array<const char *, 7> dayNames{"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
int dayBit(int mondayFirst) { return (mondayFirst + 1) % 7; }

int dayIndex(const QString &name)
{
    for (int i = 0; i < 7; ++i)
        if (name.compare(QLatin1String(dayNames[size_t(i)]), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

std::optional<uint8_t> parseDays(const QString &text)
{
    if (text.compare(QLatin1String("daily"), Qt::CaseInsensitive) == 0)
        return uint8_t(0x7F);
    uint8_t mask = 0;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        if (ends.size() > 2)
            return std::nullopt;
        const int first = dayIndex(ends.front());
        const int last = dayIndex(ends.back());
        if (first < 0 || last < 0)
            return std::nullopt;
        // A range may run over the weekend: fri-mon.
        for (int d = first;; d = (d + 1) % 7) {
            mask |= uint8_t(1 << dayBit(d));
            if (d == last)
                break;
        }
    }
    return mask;
}

bool parseTime(const QString &text, int &hour, int &minute)
{
    static const QRegularExpression form(QStringLiteral("^([01][0-9]|2[0-3]):([0-5][0-9])$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return false;
    hour = m.captured(1).toInt();
    minute = m.captured(2).toInt();
    return true;
}

struct ActionOption {
    const char *name;
    Action action;
};
constexpr std::array<ActionOption, 11> actions{{{"list", Action::List},
                                                {"add", Action::Add},
                                                {"remove", Action::Remove},
                                                {"skip-next", Action::SkipNext},
                                                {"pause", Action::Pause},
                                                {"in", Action::In},
                                                {"stop", Action::Stop},
                                                {"snooze", Action::Snooze},
                                                {"next", Action::Next},
                                                {"help", Action::Help},
                                                {"version", Action::Version}}};

// Options that only shape an action, and the actions they go with.
struct Modifier {
    const char *name;
    std::initializer_list<Action> with;
};

QString dashed(const char *name) { return QStringLiteral("--") + QLatin1String(name); }

} // namespace

bool Request::edits() const
{
    return action == Action::Add || action == Action::Remove || action == Action::SkipNext ||
           action == Action::Pause || action == Action::In;
}

Parsed parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QStringList withValue{QStringLiteral("add"),   QStringLiteral("remove"),
                                QStringLiteral("skip-next"), QStringLiteral("pause"),
                                QStringLiteral("in"),    QStringLiteral("days"),
                                QStringLiteral("message"), QStringLiteral("until")};
    for (const ActionOption &a : actions)
        if (!withValue.contains(QLatin1String(a.name)))
            parser.addOption(QCommandLineOption(QLatin1String(a.name)));
    for (const QString &name : withValue)
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    for (const char *flag : {"json", "once"})
        parser.addOption(QCommandLineOption(QLatin1String(flag)));

    Parsed out;
    if (!parser.parse(QStringList{QStringLiteral("zelka")} + arguments)) {
        out.error = parser.errorText();
        return out;
    }
    if (!parser.positionalArguments().isEmpty()) {
        out.error = QCoreApplication::translate("CommandLine", "多余的参数：%1").arg(parser.positionalArguments().constFirst());
        return out;
    }
    for (const QString &name : parser.optionNames()) {
        if (parser.optionNames().count(name) > 1) {
            out.error = QCoreApplication::translate("CommandLine", "%1 只能给一次").arg(QStringLiteral("--") + name);
            return out;
        }
    }

    Request r;
    const char *chosen = nullptr;
    for (const ActionOption &a : actions) {
        if (!parser.isSet(QLatin1String(a.name)))
            continue;
        if (chosen) {
            out.error = QCoreApplication::translate("CommandLine", "%1 和 %2 不能一起用").arg(dashed(chosen), dashed(a.name));
            return out;
        }
        chosen = a.name;
        r.action = a.action;
    }
    if (!chosen) {
        out.error = QCoreApplication::translate("CommandLine", "没有要做的事：见 --help");
        return out;
    }
    const std::array<Modifier, 5> modifiers{{{"json", {Action::List}},
                                             {"days", {Action::Add}},
                                             {"once", {Action::Add}},
                                             {"message", {Action::Add, Action::In}},
                                             {"until", {Action::Pause}}}};
    for (const Modifier &m : modifiers) {
        if (!parser.isSet(QLatin1String(m.name)) ||
            std::find(m.with.begin(), m.with.end(), r.action) != m.with.end())
            continue;
        const auto partner = std::find_if(actions.begin(), actions.end(), [&m](const ActionOption &a) {
            return a.action == *m.with.begin();
        });
        out.error = QCoreApplication::translate("CommandLine", "%1 只能和 %2 一起用").arg(dashed(m.name), dashed(partner->name));
        return out;
    }

    if (chosen == std::string_view("add") || chosen == std::string_view("remove") ||
        chosen == std::string_view("skip-next") || chosen == std::string_view("pause")) {
        const QString value = parser.value(QLatin1String(chosen));
        if (!parseTime(value, r.hour, r.minute)) {
            out.error = QCoreApplication::translate("CommandLine", "%1：时间“%2”不对，应为 HH:MM（如 07:30）").arg(dashed(chosen), value);
            return out;
        }
    }
    if (parser.isSet(QStringLiteral("days"))) {
        const QString value = parser.value(QStringLiteral("days"));
        const std::optional<uint8_t> days = parseDays(value);
        if (!days) {
            out.error =
                QCoreApplication::translate("CommandLine", "--days：“%1”不是星期几（mon tue wed thu fri sat sun，可用 - 和 ,）").arg(value);
            return out;
        }
        r.weekdays = *days;
    }
    if (r.action == Action::Pause) {
        const QString value = parser.value(QStringLiteral("until"));
        static const QRegularExpression form(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
        r.until = QDate::fromString(value, Qt::ISODate);
        if (!parser.isSet(QStringLiteral("until"))) {
            out.error = QCoreApplication::translate("CommandLine", "--pause 需要 --until");
            return out;
        }
        if (!form.match(value).hasMatch() || !r.until.isValid()) {
            out.error = QCoreApplication::translate("CommandLine", "--until：日期“%1”不对，应为 YYYY-MM-DD").arg(value);
            return out;
        }
    }
    if (r.action == Action::In) {
        const QString value = parser.value(QStringLiteral("in"));
        static const QRegularExpression form(QStringLiteral("^[0-9]{1,4}$"));
        r.minutes = value.toInt();
        if (!form.match(value).hasMatch() || r.minutes < 1 || r.minutes > 1440) {
            out.error = QCoreApplication::translate("CommandLine", "--in：“%1”不是 1 到 1440 之间的分钟数").arg(value);
            return out;
        }
    }
    r.json = parser.isSet(QStringLiteral("json"));
    r.once = parser.isSet(QStringLiteral("once"));
    if (parser.isSet(QStringLiteral("message")))
        r.message = parser.value(QStringLiteral("message"));
    out.request = r;
    return out;
}

QString daysText(uint8_t weekdays)
{
    if ((weekdays & 0x7F) == 0x7F)
        return QStringLiteral("daily");
    QStringList parts;
    for (int d = 0; d < 7;) {
        if (!(weekdays >> dayBit(d) & 1)) {
            ++d;
            continue;
        }
        int end = d;
        while (end + 1 < 7 && (weekdays >> dayBit(end + 1) & 1))
            ++end;
        // Three days or more read better as a range; two as a list.
        if (end - d >= 2) {
            parts << QLatin1String(dayNames[size_t(d)]) + QLatin1Char('-') +
                         QLatin1String(dayNames[size_t(end)]);
        } else {
            for (int k = d; k <= end; ++k)
                parts << QLatin1String(dayNames[size_t(k)]);
        }
        d = end + 1;
    }
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QLatin1Char(','));
}

QString help()
{
    return QCoreApplication::translate("CommandLine", "用法：zelka [命令]\n"
              "不带命令时启动闹钟；闹钟已在运行时，命令交给它执行。\n"
              "\n"
              "  --list [--json]                       列出全部闹钟\n"
              "  --add HH:MM [--days 天] [--once] [--message 文字]\n"
              "                                        设置闹钟（同一分钟的闹钟被替换）\n"
              "  --remove HH:MM                        删除闹钟\n"
              "  --skip-next HH:MM                     跳过下一次\n"
              "  --pause HH:MM --until YYYY-MM-DD      暂停至该日\n"
              "  --in 分钟 [--message 文字]            若干分钟后响一次\n"
              "  --stop                                停止正在响的闹钟\n"
              "  --snooze                              贪睡\n"
              "  --next                                显示下一次响铃的时间\n"
              "  --help                                显示本说明\n"
              "  --version                             显示版本\n"
              "\n"
              "天：mon tue wed thu fri sat sun，可写成 mon-fri 或 sat,sun。\n"
              "出错时退出状态为 1，参数不对时为 64。\n");
}

} // namespace CommandLine
