#pragma once

#include <QProcessEnvironment>

namespace fenwave {

// The environment the encoder is started in: this program's own, except that text passes as
// UTF-8 whatever the user's locale. The encoder reads its tag texts by the character type of
// the locale, and drops what that cannot hold (a Cyrillic title under "C"); LC_ALL would
// override LC_CTYPE, so it goes.
QProcessEnvironment encoderEnvironment();

// The same change made to a given environment.
QProcessEnvironment encoderEnvironment(QProcessEnvironment base);

} // namespace fenwave
