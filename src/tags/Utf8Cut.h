#pragma once

#include <QString>

namespace fenwave {

// The longest start of `text` whose UTF-8 form fits in `bytes`, never splitting a character
// (a surrogate pair stays whole).
QString cutToBytes(const QString &text, int bytes);

} // namespace fenwave
