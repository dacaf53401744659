#include "ui/FileFilters.h"

namespace fenwave {

QStringList toNameFilters(const QString &filterText)
{
    QStringList filters;
    const QStringList parts = filterText.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &raw : parts.at(i + 1).split(QLatin1Char(';'))) {
            const QString pattern = raw.trimmed();
            if (pattern.isEmpty())
                continue;
            // "*.*" means every file; Qt would list only names that hold a dot.
            if (pattern == QLatin1String("*.*")) {
                patterns << QStringLiteral("*");
                continue;
            }
            patterns << pattern;
#ifndef Q_OS_WIN
            if (pattern.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) && !pattern.contains(QLatin1Char('*')))
                patterns << pattern.chopped(4);
#endif
        }
        // Qt reads the patterns from the last parentheses of a filter.
        filters << parts.at(i) + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

} // namespace fenwave
