#pragma once

#include <QString>
#include <QStringList>

namespace fenwave {

// The arguments as one line a POSIX shell reads back into the same arguments: a word of only
// letters, digits and _@%+=:,./- stands as it is; any other word (an empty one included) goes
// in single quotes, a single quote inside as '\''. A line break stays inside its quotes.
QString shellQuoted(const QStringList &arguments);

} // namespace fenwave
