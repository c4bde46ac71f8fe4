#include "gbk.h"

#include <cerrno>
#include <iconv.h>

namespace {

QByteArray convert(const char *to, const char *from, const QByteArray &input)
{
    if (input.isEmpty())
        return {};
    iconv_t cd = ::iconv_open(to, from);
    if (cd == iconv_t(-1))
        return {};
    // Four output bytes per input byte covers every GB18030 <-> UTF-8 expansion.
    QByteArray out(input.size() * 4, Qt::Uninitialized);
    char *in = const_cast<char *>(input.constData());
    size_t inLeft = size_t(input.size());
    char *dst = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (::iconv(cd, &in, &inLeft, &dst, &outLeft) != size_t(-1))
            break;
        if (errno == E2BIG)
            break;
        // An invalid or cut-off sequence: skip one byte rather than lose the rest.
        ++in;
        --inLeft;
    }
    ::iconv_close(cd);
    out.truncate(qsizetype(dst - out.data()));
    return out;
}

} // namespace

namespace Gbk {

QString toUnicode(const QByteArray &gbk)
{
    return QString::fromUtf8(convert("UTF-8", "GB18030", gbk));
}

QByteArray fromUnicode(const QString &text)
{
    return convert("GB18030", "UTF-8", text.toUtf8());
}

} // namespace Gbk
