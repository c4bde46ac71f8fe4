#include "language.h"

#include <QStringList>

namespace {

bool isPlainC(const QString &locale)
{
    return locale.isEmpty() || locale == u"C" || locale == u"POSIX" || locale.startsWith(u"C.");
}

// The language part of a locale name: "zh" from "zh_CN.UTF-8", "sr" from "sr@latin".
QString languageCode(const QString &locale)
{
    qsizetype end = 0;
    while (end < locale.size() && locale[end] != u'_' && locale[end] != u'.' && locale[end] != u'@')
        ++end;
    return locale.left(end).toLower();
}

} // namespace

Language interfaceLanguage(const QProcessEnvironment &environment)
{
    // The locale for messages, as the C library picks it: the first of these that is set.
    QString messages;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        messages = environment.value(QLatin1String(name));
        if (!messages.isEmpty())
            break;
    }
    if (isPlainC(messages))
        return Language::Chinese;
    QStringList wanted =
        environment.value(QStringLiteral("LANGUAGE")).split(u':', Qt::SkipEmptyParts);
    wanted.append(messages);
    for (const QString &entry : wanted) {
        const QString code = languageCode(entry);
        if (code == u"zh" || isPlainC(entry))
            return Language::Chinese;
        if (code == u"en")
            return Language::English;
    }
    return Language::English;
}
