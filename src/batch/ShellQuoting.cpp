#include "batch/ShellQuoting.h"

#include <algorithm>

namespace fenwave {

namespace {

bool standsUnquoted(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
           || QStringView(u"_@%+=:,./-").contains(c);
}

QString quotedWord(const QString &word)
{
    if (!word.isEmpty() && std::all_of(word.begin(), word.end(), standsUnquoted))
        return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

QString shellQuoted(const QStringList &arguments)
{
    QStringList words;
    words.reserve(arguments.size());
    for (const QString &argument : arguments)
        words += quotedWord(argument);
    return words.join(QLatin1Char(' '));
}

} // namespace fenwave
