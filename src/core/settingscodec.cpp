#include "settingscodec.h"

#include <limits>
#include <stdexcept>

namespace {

// Thrown inside decode when the data ends before a value is complete.
struct Truncated {
};

// Each record holds at least two integers, an empty string, a switch and an empty string.
constexpr qsizetype minRecordSize = 4 + 4 + 1 + 4 + 1;

class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : data(bytes) {}

    qsizetype remaining() const { return data.size() - pos; }
    QByteArrayView rest() const { return data.sliced(pos); }

    int32_t readInt()
    {
        const uint32_t v = readUnsigned(4);
        return static_cast<int32_t>(v);
    }
    uint8_t readByte() { return uint8_t(readUnsigned(1)); }

    QByteArray readString()
    {
        uint64_t length = readUnsigned(1);
        if (length == 0xFF) {
            length = readUnsigned(2);
            if (length == 0xFFFF)
                length = readUnsigned(4);
        }
        // Checked before allocating: a length can never claim more than the file holds.
        if (length >= (uint64_t(1) << 31) || length > uint64_t(remaining()))
            throw Truncated{};
        QByteArray text(data.data() + pos, qsizetype(length));
        pos += qsizetype(length);
        return text;
    }

private:
    uint32_t readUnsigned(int size)
    {
        if (remaining() < size)
            throw Truncated{};
        uint32_t v = 0;
        for (int i = 0; i < size; ++i)
            v |= uint32_t(uint8_t(data[pos + i])) << (8 * i);
        pos += size;
        return v;
    }

    QByteArrayView data;
    qsizetype pos = 0;
};

void appendInt(QByteArray &out, int32_t value)
{
    const auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

// The extension after the last record: weekdays, once-alarms, snooze and gentle start;
// version 2 adds, after all of those, each alarm's "not before" and the pending snooze.
// Readers of the plain format stop after the records and never see it; readers of version 1
// skip version 2's fields as they skip any later version's.
constexpr char extensionMagic[4] = {'Z', 'L', 'K', 'X'};
constexpr uint8_t extensionVersion = 1;
constexpr uint8_t heldBackVersion = 2;
// Version, snooze, gentle start and the count, before the per-alarm pairs.
constexpr uint32_t extensionFixedSize = 1 + 4 + 4 + 4;
// After version 1's fields: a signed 64-bit time per alarm, then the snooze's record index
// (signed 32-bit) and due time (signed 64-bit).
constexpr uint64_t heldBackSize(int32_t n)
{
    return 8 * uint64_t(n) + 4 + 8;
}

int64_t readInt64(Reader &in)
{
    const auto low = uint32_t(in.readInt());
    return int64_t(uint64_t(uint32_t(in.readInt())) << 32 | low);
}

void appendInt64(QByteArray &out, int64_t value)
{
    appendInt(out, int32_t(uint32_t(uint64_t(value))));
    appendInt(out, int32_t(uint32_t(uint64_t(value) >> 32)));
}

// Applies the extension in tail to settings and list when it is whole and agrees with
// the records; anything else is left alone, as a plain reader would.
void readExtension(QByteArrayView tail, int32_t n, Settings &settings, AlarmList &list)
{
    if (n != list.GetSize() || !tail.startsWith(QByteArrayView(extensionMagic, 4)) ||
        tail.size() < 8)
        return;
    Reader in(tail.sliced(4));
    const auto length = uint32_t(in.readInt());
    // Checked first: every read below stays inside what the length promises.
    const uint64_t v1Size = extensionFixedSize + 2 * uint64_t(n);
    if (length < v1Size || length > uint64_t(in.remaining()))
        return;
    // A later version only adds fields after these; its extra bytes are skipped.
    const uint8_t version = in.readByte();
    if (version < extensionVersion)
        return;
    const int32_t snooze = in.readInt();
    const int32_t gentle = in.readInt();
    if (in.readInt() != n)
        return;
    settings.snoozeMinutes = snooze;
    settings.gentleSeconds = gentle;
    for (int i = 0; i < n; ++i) {
        list[i].weekdays = in.readByte();
        list[i].onceFlags = in.readByte();
    }
    // Too short for what version 2 promises: read as version 1, as its readers do.
    if (version < heldBackVersion || length < v1Size + heldBackSize(n))
        return;
    for (int i = 0; i < n; ++i)
        list[i].notBefore = readInt64(in);
    const int32_t record = in.readInt();
    const int64_t due = readInt64(in);
    if (record >= 0 && record < n) {
        settings.snoozedRecord = record;
        settings.snoozedDueAt = due;
    }
}

bool hasSnooze(const Settings &s, const AlarmList &list)
{
    return s.snoozedRecord >= 0 && s.snoozedRecord < list.GetSize();
}

bool needsHeldBack(const Settings &s, const AlarmList &list)
{
    if (hasSnooze(s, list))
        return true;
    for (int i = 0; i < list.GetSize(); ++i)
        if (list[i].notBefore != 0)
            return true;
    return false;
}

bool needsExtension(const Settings &s, const AlarmList &list)
{
    if (s.snoozeMinutes != Settings::defaultSnoozeMinutes || s.gentleSeconds != 0 ||
        needsHeldBack(s, list))
        return true;
    for (int i = 0; i < list.GetSize(); ++i)
        if (!list[i].isPlainDaily())
            return true;
    return false;
}

void appendExtension(QByteArray &out, const Settings &s, const AlarmList &list)
{
    const bool heldBack = needsHeldBack(s, list);
    const int32_t n = list.GetSize();
    out.append(extensionMagic, 4);
    appendInt(out,
              int32_t(extensionFixedSize + 2 * uint32_t(n) + (heldBack ? heldBackSize(n) : 0)));
    out.append(char(heldBack ? heldBackVersion : extensionVersion));
    appendInt(out, s.snoozeMinutes);
    appendInt(out, s.gentleSeconds);
    appendInt(out, n);
    for (int i = 0; i < n; ++i) {
        out.append(char(list[i].weekdays));
        out.append(char(list[i].onceFlags));
    }
    if (!heldBack)
        return;
    for (int i = 0; i < n; ++i)
        appendInt64(out, list[i].notBefore);
    const bool snoozed = hasSnooze(s, list);
    appendInt(out, snoozed ? s.snoozedRecord : -1);
    appendInt64(out, snoozed ? s.snoozedDueAt : 0);
}

} // namespace

namespace SettingsCodec {

Decoded decode(QByteArrayView bytes, Settings &settings, AlarmList &list)
{
    if (bytes.isEmpty())
        return Decoded::Empty;
    Settings read;
    try {
        Reader in(bytes);
        read.windowX = in.readInt();
        read.windowY = in.readInt();
        read.alwaysOnTop = in.readInt();
        read.hideFromTaskbar = in.readInt();
        read.alarmsDisabled = in.readInt();
        read.limitRinging = in.readInt();
        read.maxRingSeconds = in.readInt();
        read.chimeOn = in.readInt();
        read.chimeMinutes = in.readInt();
        read.chimeSound = in.readString();
        const int32_t n = in.readInt();
        if (n > 0 && n > in.remaining() / minRecordSize)
            throw Truncated{};
        for (int32_t i = 0; i < n; ++i) {
            AlarmEntry e;
            e.hour = in.readInt();
            e.minute = in.readInt();
            e.message = in.readString();
            e.showMessage = in.readInt();
            e.sound = in.readString();
            list.SetAtGrow(i, e);
        }
        readExtension(in.rest(), n, read, list);
    } catch (const Truncated &) {
        settings = Settings();
        list.SetSize(0);
        return Decoded::Damaged;
    }
    settings = read;
    return Decoded::Loaded;
}

void appendString(QByteArray &out, const QByteArray &text)
{
    const auto length = uint64_t(text.size());
    if (length < 0xFF) {
        out.append(char(length));
    } else if (length < 0xFFFE) {
        out.append(char(0xFF));
        out.append(char(length & 0xFF));
        out.append(char(length >> 8));
    } else {
        if (length > std::numeric_limits<uint32_t>::max())
            throw std::length_error("string too long for the settings file");
        out.append(char(0xFF));
        out.append(char(0xFF));
        out.append(char(0xFF));
        appendInt(out, int32_t(uint32_t(length)));
    }
    out.append(text);
}

QByteArray encode(const Settings &s, const AlarmList &list)
{
    QByteArray out;
    for (int32_t v : {s.windowX, s.windowY, s.alwaysOnTop, s.hideFromTaskbar, s.alarmsDisabled,
                      s.limitRinging, s.maxRingSeconds, s.chimeOn, s.chimeMinutes})
        appendInt(out, v);
    appendString(out, s.chimeSound);
    appendInt(out, list.GetSize());
    for (int i = 0; i < list.GetSize(); ++i) {
        const AlarmEntry &e = list[i];
        appendInt(out, e.hour);
        appendInt(out, e.minute);
        appendString(out, e.message);
        appendInt(out, e.showMessage);
        appendString(out, e.sound);
    }
    if (needsExtension(s, list))
        appendExtension(out, s, list);
    return out;
}

} // namespace SettingsCodec
