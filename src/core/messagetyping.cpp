#include "messagetyping.h"

#include <QtGlobal>

namespace MessageTyping {

Step step(const QByteArray &messageText, int &shownBytes)
{
    Step result;
    // A count past the end shows the whole message; a negative one shows nothing.
    result.text =
        messageText.first(qBound(qsizetype(0), qsizetype(shownBytes), messageText.size()));
    ++shownBytes;
    result.stop = shownBytes > messageText.size();
    return result;
}

} // namespace MessageTyping
