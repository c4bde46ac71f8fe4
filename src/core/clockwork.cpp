#include "clockwork.h"

#include "nextring.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

using namespace Skin;

TimeCells splitTime(const std::tm &local)
{
    TimeCells c;
    c.weekday = local.tm_wday;
    c.hourTens = local.tm_hour / 10;
    c.hourUnits = local.tm_hour % 10;
    c.minuteTens = local.tm_min / 10;
    c.minuteUnits = local.tm_min % 10;
    c.dayTens = local.tm_mday / 10;
    c.dayUnits = local.tm_mday % 10;
    const int month = local.tm_mon + 1;
    c.monthTens = month / 10;
    c.monthUnits = month % 10;
    c.year = local.tm_year + 1900;
    c.twoDigitYear = c.year < 2000 ? c.year - 1900 : c.year - 2000;
    c.yearTens = c.twoDigitYear / 10;
    c.yearUnits = c.twoDigitYear % 10;
    return c;
}

std::tm localFields(int64_t t)
{
    const auto tt = static_cast<std::time_t>(t);
    std::tm local{};
    localtime_r(&tt, &local);
    return local;
}

int64_t wholeMinute(int64_t t)
{
    return t - localFields(t).tm_sec;
}

Clockwork::Clockwork(const Settings &settings, AlarmList &alarms, FaceHost &host, Sound &sound,
                     const Clock &clock)
    : QObject(), settings(settings), alarmList(alarms), host(host), sound(sound), clock(clock)
{}

void Clockwork::drawCell(QPoint sourceAt, Bitmap strip, QPoint dest, QSize size, bool toWindow)
{
    host.copy(Buffer::Normal, strip, sourceAt, QRect(dest, size), toWindow);
}

void Clockwork::drawYear(const TimeCells &c, bool toWindow)
{
    drawCell(smallDigit(c.centuryHigh()), smallDigitStrip, centuryHighAt, smallDigitSize, toWindow);
    drawCell(smallDigit(c.centuryLow()), smallDigitStrip, centuryLowAt, smallDigitSize, toWindow);
    drawCell(smallDigit(c.yearTens), smallDigitStrip, yearTensAt, smallDigitSize, toWindow);
    drawCell(smallDigit(c.yearUnits), smallDigitStrip, yearUnitsAt, smallDigitSize, toWindow);
}

void Clockwork::create()
{
    const int64_t now = clock.now();
    takeShownMinute(now, wholeMinute(now));
    matchedLocal = MissedAlarms::localMinute(shown);
    cells = splitTime(localFields(shown));
    const TimeCells &c = cells;
    drawCell(weekdayRow(c.weekday), weekdayStrip, weekdayAt, weekdaySize, false);
    drawCell(bigDigit(c.hourTens), bigDigitStrip, hourTensAt, bigDigitSize, false);
    drawCell(bigDigit(c.hourUnits), bigDigitStrip, hourUnitsAt, bigDigitSize, false);
    drawCell(bigDigit(c.minuteTens), bigDigitStrip, minuteTensAt, bigDigitSize, false);
    drawCell(bigDigit(c.minuteUnits), bigDigitStrip, minuteUnitsAt, bigDigitSize, false);
    drawYear(c, false);
    drawCell(smallDigit(c.dayTens), smallDigitStrip, dayTensAt, smallDigitSize, false);
    drawCell(smallDigit(c.dayUnits), smallDigitStrip, dayUnitsAt, smallDigitSize, false);
    drawCell(smallDigit(c.monthTens), smallDigitStrip, monthTensAt, smallDigitSize, false);
    drawCell(smallDigit(c.monthUnits), smallDigitStrip, monthUnitsAt, smallDigitSize, false);

    for (int k = 0; k < 4; ++k)
        host.copy(Buffer::Normal, buttonStrip, buttonCell(k), QRect(buttonAt(k), buttonSize),
                  false);
    host.copy(Buffer::Ringing, buttonStrip, buttonCell(quitButton),
              QRect(ringingQuitAt, buttonSize), false);
    host.copy(Buffer::Ringing, stopButton, {0, 0}, QRect(stopAt, stopSize), false);

    host.SetTimer(FaceTimer::colon, FaceTimer::colonMs);
    host.SetTimer(FaceTimer::tick, FaceTimer::tickMs);
    // The time the clock was not running counts as asleep: long past, it is reported.
    if (settings.snoozedRecord >= 0 && settings.snoozedRecord < alarmList.GetSize())
        pending.append({alarmList[settings.snoozedRecord].minuteOfDay(), settings.snoozedDueAt,
                        int64_t(settings.snoozeUsed()) * 60, clock.asleepMs() - 1000});
}

void Clockwork::onTimer(int id)
{
    switch (id) {
    case FaceTimer::colon:
        blinkColon();
        break;
    case FaceTimer::tick:
        tick();
        break;
    case FaceTimer::ringing:
        animateRinging();
        break;
    case FaceTimer::limit:
        countLimit();
        break;
    default:
        break;
    }
}

void Clockwork::blinkColon()
{
    if (colonPhase == 1) {
        host.copy(Buffer::Normal, colonSprite, {0, 0}, colonRect, true);
        colonPhase = 0;
    } else {
        host.fillBlack(Buffer::Normal, colonRect, true);
        ++colonPhase;
    }
}

void Clockwork::tick()
{
    if (runnerX > runnerLastX) {
        runnerX = runnerFirstX;
        host.fillBlack(Buffer::Normal, runnerStrip, true);
    }
    host.copy(Buffer::Normal, runnerSprite, {0, 0}, QRect({runnerX, runnerY}, runnerSize), true);
    runnerX += runnerStep;

    const int64_t now = clock.now();
    const int64_t minute = wholeMinute(now);
    if (minute == shown) {
        ringSnoozed(now);
        return;
    }
    const int64_t previousMinute = shown;
    const int64_t previousAt = shownAt;
    const int64_t previousAsleep = asleepAtShown;
    const int64_t previousMonotonic = monotonicAtShown;
    clock.reloadZone();
    // The same instant read with another offset: the zone changed, not the time.
    const bool zoneChanged = localFields(previousAt).tm_gmtoff != offsetAtShown;
    takeShownMinute(now, minute);
    const int64_t sleptMs = asleepAtShown - previousAsleep;
    const int64_t realMs = monotonicAtShown - previousMonotonic + sleptMs;
    const int64_t wallAheadMs = (now - previousAt) * 1000 - realMs;
    // The wall clock went as far as real time did (give or take its whole seconds and the
    // most an NTP slew adds): a stall, a suspend or a ringing kept the ticks away, and every
    // minute since is matched now. A clock set by hand or a new zone skips minutes: only
    // those slept through are looked back on, which no tick could match.
    const bool ran = !zoneChanged && std::abs(wallAheadMs) <= 5000 + realMs / 1000;
    int64_t from = minute;
    if (ran)
        from = previousMinute + 60;
    else if (sleptMs >= 1000)
        from = std::max(previousMinute + 60, now - sleptMs / 1000 - 60);
    const int64_t seen = ran ? matchedLocal : std::numeric_limits<int64_t>::min();
    const std::tm local = localFields(minute);
    const TimeCells c = splitTime(local);
    redrawChangedCells(c);
    Q_EMIT minuteChanged();

    matchAlarms(from, seen);
    endHolds();
    matchedLocal = std::max(seen, MissedAlarms::localMinute(minute));
    // The interval is tested before it divides: 0 never chimes.
    if (!ringing && settings.chimeOn && settings.chimeMinutes != 0 &&
        local.tm_min % settings.chimeMinutes == 0)
        sound.once(settings.chimeSound);
    // An alarm of this minute rings first; a snooze due now waits for its end.
    ringSnoozed(now);
}

void Clockwork::snooze()
{
    if (!ringing)
        return;
    const int64_t length = int64_t(settings.snoozeUsed()) * 60;
    const int64_t now = clock.now();
    pending.removeIf([this](const Snoozed &s) { return s.alarmMinute == ringingMinute; });
    pending.append({ringingMinute, now + length, length, clock.asleepMs()});
    stopRinging(false);
    Q_EMIT snoozesChanged();
}

void Clockwork::ringSnoozed(int64_t now)
{
    if (pending.isEmpty() || ringing)
        return;
    for (qsizetype k = 0; k < pending.size(); ++k) {
        Snoozed &s = pending[k];
        // A clock set back never makes a snooze wait longer than it promised.
        s.dueAt = std::min(s.dueAt, now + s.lengthSeconds);
        if (now < s.dueAt)
            continue;
        const Snoozed due = pending.takeAt(k);
        Q_EMIT snoozesChanged();
        // Alarms switched off since: a snooze is still an alarm.
        if (settings.alarmsDisabled)
            return;
        int index = -1;
        for (int i = 0; i < alarmList.GetSize() && index < 0; ++i)
            if (alarmList[i].minuteOfDay() == due.alarmMinute)
                index = i;
        // Removed or moved to another minute: the snooze went with it.
        if (index < 0)
            return;
        const int64_t late = now - due.dueAt;
        const bool slept = clock.asleepMs() - due.asleepAt >= 1000;
        if (slept && late > MissedAlarms::maxLateSeconds) {
            Q_EMIT alarmsMissed({{index, wholeMinute(due.dueAt)}});
            return;
        }
        startRinging(index, slept ? int(late / 60) : 0);
        return;
    }
}

void Clockwork::takeShownMinute(int64_t now, int64_t minute)
{
    shown = minute;
    shownAt = now;
    asleepAtShown = clock.asleepMs();
    monotonicAtShown = clock.monotonicMs();
    offsetAtShown = localFields(now).tm_gmtoff;
}

void Clockwork::matchAlarms(int64_t from, int64_t seen)
{
    const MissedAlarms::Decision d = MissedAlarms::decide(alarmList, settings, from, shown, seen);
    if (d.rings.index >= 0)
        startRinging(d.rings.index, int((shown - d.rings.minute) / 60));
    if (!d.reported.isEmpty())
        Q_EMIT alarmsMissed(d.reported);
    if (d.rings.index >= 0)
        markDone(d.rings.index);
    for (const MissedAlarms::Occurrence &o : d.reported)
        markDone(o.index);
}

void Clockwork::markDone(int index)
{
    AlarmEntry &e = alarmList[index];
    if (!e.isOnce() || e.isDone())
        return;
    e.onceFlags |= AlarmEntry::done;
    Q_EMIT alarmsChanged();
}

void Clockwork::endHolds()
{
    const int64_t today = MissedAlarms::localMinute(shown) / (24 * 60);
    bool ended = false;
    for (int i = 0; i < alarmList.GetSize(); ++i) {
        AlarmEntry &e = alarmList[i];
        if (e.notBefore != 0 && NextRing::firstDay(e) <= today) {
            e.notBefore = 0;
            ended = true;
        }
    }
    if (ended)
        Q_EMIT alarmsChanged();
}

void Clockwork::redrawChangedCells(const TimeCells &c)
{
    TimeCells &s = cells;
    // The four year cells go as a group whenever the year changes.
    if (c.year != s.year) {
        s.year = c.year;
        s.twoDigitYear = c.twoDigitYear;
        s.yearTens = c.yearTens;
        s.yearUnits = c.yearUnits;
        drawYear(c, true);
    }
    struct CellUpdate {
        int TimeCells::*field;
        Bitmap strip;
        QPoint at;
        QSize size;
        QPoint (*source)(int);
    };
    static constexpr CellUpdate updates[] = {
        {&TimeCells::dayTens, smallDigitStrip, dayTensAt, smallDigitSize, smallDigit},
        {&TimeCells::dayUnits, smallDigitStrip, dayUnitsAt, smallDigitSize, smallDigit},
        {&TimeCells::monthTens, smallDigitStrip, monthTensAt, smallDigitSize, smallDigit},
        {&TimeCells::monthUnits, smallDigitStrip, monthUnitsAt, smallDigitSize, smallDigit},
        {&TimeCells::weekday, weekdayStrip, weekdayAt, weekdaySize, weekdayRow},
        {&TimeCells::hourTens, bigDigitStrip, hourTensAt, bigDigitSize, bigDigit},
        {&TimeCells::hourUnits, bigDigitStrip, hourUnitsAt, bigDigitSize, bigDigit},
        {&TimeCells::minuteTens, bigDigitStrip, minuteTensAt, bigDigitSize, bigDigit},
        {&TimeCells::minuteUnits, bigDigitStrip, minuteUnitsAt, bigDigitSize, bigDigit},
    };
    for (const CellUpdate &cell : updates) {
        if (c.*cell.field == s.*cell.field)
            continue;
        s.*cell.field = c.*cell.field;
        drawCell(cell.source(c.*cell.field), cell.strip, cell.at, cell.size, true);
    }
}

void Clockwork::startRinging(int index, int lateMinutes)
{
    ringing = true;
    ringingAt = index;
    ringingMinute = alarmList[index].minuteOfDay();
    host.showWhole(Buffer::Ringing);
    host.KillTimer(FaceTimer::colon);
    host.KillTimer(FaceTimer::tick);
    host.SetTimer(FaceTimer::ringing, FaceTimer::ringingMs);
    gentleTenths = 0;
    sound.setLoopVolume(settings.gentleUsed() > 0 ? gentleVolume(0, settings.gentleUsed())
                                                  : Sound::fullVolume);
    sound.loop(alarmList[index].sound);
    if (settings.limitRinging) {
        ringSeconds = 0;
        host.SetTimer(FaceTimer::limit, FaceTimer::limitMs);
    }
    Q_EMIT ringingStarted(index, lateMinutes);
}

int gentleVolume(int tenths, int seconds)
{
    if (seconds <= 0 || tenths >= seconds * 10)
        return Sound::fullVolume;
    // Loudness is heard on a log scale: a squared ramp rises evenly to the ear.
    const double f = double(tenths) / (seconds * 10.0);
    return std::max(1, int(Sound::fullVolume * f * f));
}

void Clockwork::raiseVolume()
{
    const int seconds = settings.gentleUsed();
    if (seconds <= 0 || gentleTenths >= seconds * 10)
        return;
    const int before = gentleVolume(gentleTenths, seconds);
    ++gentleTenths;
    const int after = gentleVolume(gentleTenths, seconds);
    if (after != before)
        sound.setLoopVolume(after);
}

void Clockwork::animateRinging()
{
    // Rides on the animation's tenth-of-a-second timer: no timer of its own.
    raiseVolume();
    host.FlashWindow();
    if (bellFrame > 3)
        bellFrame = 0;
    // The counter's fourth value has no frame in the strip: the previous one stays.
    if (bellFrame < bellFrames)
        host.copy(Buffer::Ringing, bellStrip, Skin::bellFrame(bellFrame), QRect(bellAt, bellSize),
                  true);
    ++bellFrame;
    if (bannerX > bannerLastX)
        bannerX = bannerFirstX;
    host.copy(Buffer::Ringing, ringBanner, {0, 0}, QRect({bannerX, bannerY}, bannerSize), true);
    bannerX += bannerStep;
}

void Clockwork::countLimit()
{
    // Reached or passed: a limit lowered while ringing still ends it. Nothing counts after
    // the stop: a ringing its signals let start meanwhile has a count of its own.
    if (ringSeconds >= settings.maxRingSeconds) {
        stopRinging();
        return;
    }
    ++ringSeconds;
}

void Clockwork::stopRinging(bool showMessage)
{
    sound.stop();
    host.KillTimer(FaceTimer::ringing);
    // A limit timer must not outlive the ringing it counts.
    host.KillTimer(FaceTimer::limit);
    host.showWhole(Buffer::Normal);
    ringing = false;
    host.SetTimer(FaceTimer::colon, FaceTimer::colonMs);
    host.SetTimer(FaceTimer::tick, FaceTimer::tickMs);
    Q_EMIT ringingEnded();
    // Entries may have been removed while it rang: never read past the list.
    if (showMessage && ringingAt >= 0 && ringingAt < alarmList.GetSize() &&
        alarmList[ringingAt].showMessage)
        Q_EMIT messageToShow(alarmList[ringingAt].message, int(alarmList[ringingAt].minuteOfDay()));
}
