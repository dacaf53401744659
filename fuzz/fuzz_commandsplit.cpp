// Fuzz target for the command-text splitter.
//
// The whole input, read as UTF-8, is split as a command text. The input's
// NUL-separated parts, with their double quotes removed, are also used as an
// argument list that is joined into a command text and split again.
//
// Checked: no argument holds a quote; the arguments, concatenated, are exactly
// the characters of the text that are neither quotes nor separators outside
// quotes; a text without quotes splits like a plain split on blanks, tabs and
// line breaks; quoting every argument and joining gives the same list back
// (for any quote-free arguments, empty ones and ones with line breaks included);
// the composer's own quoting gives it back for every non-empty quote-free argument,
// tabs and line breaks included.

#include "FuzzCheck.h"
#include "options/CommandLine.h"
#include "options/CommandSplit.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

bool isSeparator(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// The characters that end up in some argument, in order.
QString argumentCharacters(const QString &text)
{
    QString kept;
    bool inQuotes = false;
    for (const QChar c : text) {
        if (c == u'"')
            inQuotes = !inQuotes;
        else if (inQuotes || !isSeparator(c))
            kept.append(c);
    }
    return kept;
}

QString joinQuotingAll(const QStringList &arguments, const QString &separator)
{
    QStringList quoted;
    for (const QString &argument : arguments)
        quoted.append(u'"' + argument + u'"');
    return quoted.join(separator);
}

QString joinComposerStyle(const QStringList &arguments, const QString &separator)
{
    QStringList quoted;
    for (const QString &argument : arguments)
        quoted.append(fenwave::quotedAsOneArgument(argument));
    return quoted.join(separator);
}

// An empty path piece is left out of the line, so the composer never quotes an empty text.
bool composerCanQuote(const QString &argument)
{
    return !argument.isEmpty();
}

void checkSplitOfText(const QString &text)
{
    const QStringList arguments = fenwave::splitCommandText(text);
    for (const QString &argument : arguments)
        FUZZ_CHECK(!argument.contains(u'"'));
    FUZZ_CHECK(arguments.join(QString()) == argumentCharacters(text));

    if (!text.contains(u'"')) {
        static const QRegularExpression separators(QStringLiteral("[ \\t\\r\\n]"));
        FUZZ_CHECK(arguments == text.split(separators, Qt::SkipEmptyParts));
    }
    FUZZ_CHECK(fenwave::splitCommandText(joinQuotingAll(arguments, QStringLiteral(" "))) == arguments);
}

void checkJoinAndSplit(const QByteArray &input)
{
    static const QString separators[] = {
        QStringLiteral(" "),    QStringLiteral("\t"),     QStringLiteral("  "),
        QStringLiteral("\r\n"), QStringLiteral(" \t\n "),
    };
    const QString &separator = separators[input.isEmpty() ? 0 : quint8(input[0]) % std::size(separators)];

    QStringList arguments;
    for (const QByteArray &part : input.split('\0'))
        arguments.append(QString::fromUtf8(part).remove(u'"'));

    FUZZ_CHECK(fenwave::splitCommandText(joinQuotingAll(arguments, separator)) == arguments);

    bool composerCase = true;
    for (const QString &argument : arguments)
        composerCase = composerCase && composerCanQuote(argument);
    if (composerCase)
        FUZZ_CHECK(fenwave::splitCommandText(joinComposerStyle(arguments, separator)) == arguments);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    checkSplitOfText(QString::fromUtf8(input));
    checkJoinAndSplit(input);
    return 0;
}
