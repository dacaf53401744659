#pragma once

#include <QString>
#include <QStringList>

namespace fenwave {

// The encoder's argument list from its parts: the switches, then the input and the output,
// each one exact argument. A name beginning with "-" gets "./" in front, so that the encoder
// cannot take it for an option: it knows no "--" that ends them.
QStringList encoderArguments(const QStringList &switches, const QString &input, const QString &output);

// The same for an encoder that reads its standard input ("-"), told to take the length of what
// comes through the pipe from the sound itself rather than from its header.
QStringList encoderArgumentsFromPipe(const QStringList &switches, const QString &output);

} // namespace fenwave
