"""Builds settings files byte by byte, independently of the program's own writer."""
import struct

DEFAULTS = dict(windowX=0, windowY=0, alwaysOnTop=1, hideFromTaskbar=1, alarmsDisabled=0,
                limitRinging=0, maxRingSeconds=0, chimeOn=0, chimeMinutes=0)
FIELDS = list(DEFAULTS)


def string(data):
    if isinstance(data, str):
        data = data.encode("gbk")
    n = len(data)
    if n < 255:
        prefix = bytes([n])
    elif n < 0xFFFE:
        prefix = b"\xff" + struct.pack("<H", n)
    else:
        prefix = b"\xff\xff\xff" + struct.pack("<I", n)
    return prefix + data


def record(hour, minute, message="", show=0, sound="Ring.wav"):
    return (struct.pack("<ii", hour, minute) + string(message) + struct.pack("<i", show)
            + string(sound))


def extension(days, snooze=9, gentle=0, not_before=None, snoozed=(-1, 0)):
    """The trailer after the records: days holds one (weekday mask, flags) per alarm;
    not_before (one time per alarm) or a snoozed (record, due time) make it version 2."""
    held = not_before is not None or snoozed != (-1, 0)
    body = struct.pack("<Biii", 2 if held else 1, snooze, gentle, len(days))
    body += b"".join(bytes([mask, flags]) for mask, flags in days)
    if held:
        body += b"".join(struct.pack("<q", t) for t in not_before or [0] * len(days))
        body += struct.pack("<iq", *snoozed)
    return b"ZLKX" + struct.pack("<I", len(body)) + body


def settings_file(alarms=(), chime_sound="Ding.wav", days=None, snooze=9, gentle=0,
                  not_before=None, **fields):
    """days, snooze, gentle or not_before other than the defaults add the trailer."""
    values = dict(DEFAULTS, **fields)
    out = b"".join(struct.pack("<i", values[f]) for f in FIELDS)
    out += string(chime_sound) + struct.pack("<i", len(alarms))
    out += b"".join(record(*a) for a in alarms)
    if days is not None or snooze != 9 or gentle != 0 or not_before is not None:
        out += extension(days or [(0x7F, 0)] * len(alarms), snooze, gentle, not_before)
    return out


def window_position(data):
    return struct.unpack_from("<ii", data, 0)
