#pragma once

#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>

// The words the face says through a screen reader and its tooltips, kept in one place.
namespace FaceLabels {

// A button of one skin: where its picture lies on the face and what it is called.
struct Button {
    QRect sprite;
    const char *label;          // the source text of its name
    const char *hint = nullptr; // what else it does, when it does more than its name says
    QString name() const;
    QString description() const; // empty without a hint
    // The name, then the hint and the keys that reach the button, each on a line of its own.
    QString tip() const;
};

// The buttons of a skin, left to right, by their FaceButtons index.
int buttonCount(bool ringing);
const Button &button(bool ringing, int index);
// The face pixels that hit-test to the button: its picture and the column after it.
QRect hitRect(bool ringing, int index);

// The date and time the face shows for a whole local minute: "2026年12月9日 星期三 07:30".
QString shownTime(int64_t minute);

// The alarm button's description: the next ringing (NextRing::next) and how long until it
// from `now`, "下一个闹钟：周一 07:30（还有 9 小时 12 分钟）", or that none will ring.
QString nextAlarm(std::optional<int64_t> ringsAt, int64_t now);

// The alarm button's word on waking from sleep; empty while that is not known yet.
QString wakeLine(std::optional<bool> canWake);

} // namespace FaceLabels
