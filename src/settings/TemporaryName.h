#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace fenwave {

// Names of the hidden files that a write goes to before it takes its file's place:
// ".<file name><marker>" and kTemporaryRandomLength random letters or digits.
inline constexpr int kTemporaryRandomLength = 6;

// ".<file name><marker>", the file name cut so that the random part still fits within one file
// name; a cut name loses its last, possibly partial, UTF-8 character.
QByteArray temporaryNamePrefix(QByteArray fileName, QByteArrayView marker);

// kTemporaryRandomLength random letters and digits.
QByteArray temporaryRandomPart();

// true when `part` could have come from temporaryRandomPart().
bool isTemporaryRandomPart(QByteArrayView part);

} // namespace fenwave
