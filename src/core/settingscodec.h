#pragma once

#include "alarmlist.h"
#include "settings.h"

#include <QByteArray>
#include <QByteArrayView>

// The settings file's byte codec, pure (no I/O): little-endian 32-bit integers and
// length-prefixed byte strings (1, 3 or 7 byte prefix), no header.
namespace SettingsCodec {

enum class Decoded { Empty, Loaded, Damaged };

// Fills settings and list from bytes. On damage both are reset: defaults, empty list.
// Never allocates more than the input's size for strings, however hostile the input.
Decoded decode(QByteArrayView bytes, Settings &settings, AlarmList &list);

void appendString(QByteArray &out, const QByteArray &text);
QByteArray encode(const Settings &settings, const AlarmList &list);

} // namespace SettingsCodec
