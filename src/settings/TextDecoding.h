#pragma once

#include <QByteArrayView>
#include <QString>

namespace fenwave {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(QByteArrayView bytes);

// Settings files written on Windows are in Windows-1251, ours in UTF-8:
// valid UTF-8 is read as UTF-8, anything else as Windows-1251.
QString decodeUtf8OrWindows1251(QByteArrayView bytes);

// Windows-1251 to Unicode; every byte maps to exactly one character.
QString decodeWindows1251(QByteArrayView bytes);

} // namespace fenwave
