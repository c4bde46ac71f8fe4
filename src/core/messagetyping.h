#pragma once

#include <QByteArray>

// The alarm message popup types its message out one byte per tick: each tick shows the
// first shownBytes bytes and then counts one more, so a message of L bytes shows 0 .. L
// bytes on ticks 1 .. L + 1 and the tick that shows it whole is the last.
namespace MessageTyping {

struct Step {
    QByteArray text; // the whole text for the box this tick, not a piece to append
    bool stop = false;
};

// Runs one tick over messageText and advances shownBytes. Bytes, not characters: a GBK
// double-byte character takes two ticks, the first of which ends on its lead byte.
Step step(const QByteArray &messageText, int &shownBytes);

} // namespace MessageTyping
