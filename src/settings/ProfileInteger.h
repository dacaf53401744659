#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace fenwave {

// The integer reading of settings values (flags and radio-group indexes):
// - blanks (spaces and tabs) before the number are skipped;
// - an optionally signed ("+" or "-") decimal number in the 32-bit signed range; or
// - "$", "0x" or "0X" followed by 1 to 8 hexadecimal digits (either case), read as
//   a 32-bit two's-complement value ("$FFFFFFFF" is -1); no sign before these;
// - nothing may follow the number, not even a blank.
// Anything else (empty, a word, "12abc", "1.5", out of range) gives nullopt.
std::optional<qint32> parseProfileInteger(QStringView text);

// The value of a hexadecimal digit (either case), -1 for any other character.
int hexDigitValue(QChar c);

// 1 to 8 hexadecimal digits and nothing else, as an unsigned 32-bit value.
std::optional<quint32> parseHexDigits(QStringView digits);

} // namespace fenwave
