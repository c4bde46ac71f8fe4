#include "facelabels.h"

#include "clockwork.h"
#include "facebuttons.h"
#include "skin.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace FaceLabels {

namespace {

using namespace FaceButtons;

const Button normalButtons[] = {
    {QRect(Skin::buttonAt(alarmButton), Skin::buttonSize),
     QT_TRANSLATE_NOOP("FaceLabels", "设置闹钟")},
    {QRect(Skin::buttonAt(optionsButton), Skin::buttonSize),
     QT_TRANSLATE_NOOP("FaceLabels", "选项")},
    {QRect(Skin::buttonAt(logoButton), Skin::buttonSize), QT_TRANSLATE_NOOP("FaceLabels", "关于")},
    {QRect(Skin::buttonAt(quitButton), Skin::buttonSize), QT_TRANSLATE_NOOP("FaceLabels", "退出")},
};
const Button ringingButtons[] = {
    {QRect(Skin::stopAt, Skin::stopSize), QT_TRANSLATE_NOOP("FaceLabels", "停止"),
     QT_TRANSLATE_NOOP("FaceLabels", "右键或按 S 键：贪睡")},
    {QRect(Skin::ringingQuitAt, Skin::buttonSize), QT_TRANSLATE_NOOP("FaceLabels", "退出")},
};

// By tm_wday, Sunday first.
const char *const weekdays[] = {
    QT_TRANSLATE_NOOP("FaceLabels", "星期日"), QT_TRANSLATE_NOOP("FaceLabels", "星期一"),
    QT_TRANSLATE_NOOP("FaceLabels", "星期二"), QT_TRANSLATE_NOOP("FaceLabels", "星期三"),
    QT_TRANSLATE_NOOP("FaceLabels", "星期四"), QT_TRANSLATE_NOOP("FaceLabels", "星期五"),
    QT_TRANSLATE_NOOP("FaceLabels", "星期六"),
};

// By tm_wday, Sunday first: the bell's short form.
const char *const shortWeekdays[] = {
    QT_TRANSLATE_NOOP("FaceLabels", "周日"), QT_TRANSLATE_NOOP("FaceLabels", "周一"),
    QT_TRANSLATE_NOOP("FaceLabels", "周二"), QT_TRANSLATE_NOOP("FaceLabels", "周三"),
    QT_TRANSLATE_NOOP("FaceLabels", "周四"), QT_TRANSLATE_NOOP("FaceLabels", "周五"),
    QT_TRANSLATE_NOOP("FaceLabels", "周六"),
};

} // namespace

QString Button::name() const
{
    return QCoreApplication::translate("FaceLabels", label);
}

QString Button::description() const
{
    return hint ? QCoreApplication::translate("FaceLabels", hint) : QString();
}

QString Button::tip() const
{
    const QString keys =
        QCoreApplication::translate("FaceLabels", "方向键或 Tab 键选择，回车键或空格键按下");
    return (hint ? name() + QLatin1Char('\n') + description() : name()) + QLatin1Char('\n') + keys;
}

int buttonCount(bool ringing)
{
    return ringing ? int(std::size(ringingButtons)) : int(std::size(normalButtons));
}

const Button &button(bool ringing, int index)
{
    return ringing ? ringingButtons[index] : normalButtons[index];
}

QRect hitRect(bool ringing, int index)
{
    return button(ringing, index).sprite.adjusted(0, 0, 1, 0);
}

QString shownTime(int64_t minute)
{
    const std::tm t = localFields(minute);
    const QChar zero(u'0');
    return QCoreApplication::translate("FaceLabels", "%1年%2月%3日 %4 %5:%6")
        .arg(t.tm_year + 1900)
        .arg(t.tm_mon + 1)
        .arg(t.tm_mday)
        .arg(QCoreApplication::translate("FaceLabels", weekdays[t.tm_wday]))
        .arg(t.tm_hour, 2, 10, zero)
        .arg(t.tm_min, 2, 10, zero);
}

QString nextAlarm(std::optional<int64_t> ringsAt, int64_t now)
{
    if (!ringsAt)
        return QCoreApplication::translate("FaceLabels", "没有将要响的闹钟");
    const std::tm t = localFields(*ringsAt);
    // Counted from the minute the face shows, as a reader of the face would count.
    const int64_t minutes = std::max<int64_t>(0, (wholeMinute(*ringsAt) - wholeMinute(now)) / 60);
    const int64_t days = minutes / (24 * 60), hours = minutes / 60 % 24, rest = minutes % 60;
    const QString left =
        days > 0 ? QCoreApplication::translate("FaceLabels", "%1 天 %2 小时").arg(days).arg(hours)
        : hours > 0
            ? QCoreApplication::translate("FaceLabels", "%1 小时 %2 分钟").arg(hours).arg(rest)
            : QCoreApplication::translate("FaceLabels", "%1 分钟").arg(rest);
    const QChar zero(u'0');
    return QCoreApplication::translate("FaceLabels", "下一个闹钟：%1 %2:%3（还有 %4）")
        .arg(QCoreApplication::translate("FaceLabels", shortWeekdays[t.tm_wday]))
        .arg(t.tm_hour, 2, 10, zero)
        .arg(t.tm_min, 2, 10, zero)
        .arg(left);
}

QString wakeLine(std::optional<bool> canWake)
{
    if (!canWake)
        return QString();
    return *canWake ? QCoreApplication::translate("FaceLabels", "睡眠时可唤醒")
                    : QCoreApplication::translate("FaceLabels", "此电脑睡眠时无法唤醒");
}

} // namespace FaceLabels
