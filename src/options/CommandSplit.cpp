#include "options/CommandSplit.h"

namespace fenwave {

bool separatesArguments(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

QStringList splitCommandText(const QString &text)
{
    QStringList arguments;
    QString current;
    bool inQuotes = false;
    // A pair of quotes makes an argument even when nothing stands between them.
    bool argumentStarted = false;

    for (const QChar c : text) {
        if (c == u'"') {
            inQuotes = !inQuotes;
            argumentStarted = true;
        } else if (!inQuotes && separatesArguments(c)) {
            if (argumentStarted) {
                arguments.append(current);
                current.clear();
                argumentStarted = false;
            }
        } else {
            current.append(c);
            argumentStarted = true;
        }
    }
    if (argumentStarted)
        arguments.append(current);
    return arguments;
}

} // namespace fenwave
