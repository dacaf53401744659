#pragma once

#include <QString>
#include <QStringList>

namespace fenwave {

// Turns a filter text "description|pattern; pattern|description|pattern" into Qt's name
// filters "description (pattern pattern)". Where executables carry no ".exe", a pattern
// naming an ".exe" file also lists the file without it ("lame.exe" lists "lame" too). The
// pattern "*.*" becomes "*": every file, with or without an extension.
QStringList toNameFilters(const QString &filterText);

} // namespace fenwave
