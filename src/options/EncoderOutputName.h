#pragma once

#include <QString>
#include <QStringList>

namespace fenwave {

// The files an encoder started with `arguments` (the program itself left out) writes, as it
// names them: each switch and its value dropped, the first remaining operand is the input and
// the second the output. Without an output (or with an empty one) the encoder writes the input's
// name with ".mp3" (".wav" when decoding) in place of a sound file's extension, in the output
// folder when one is given; with gapless encoding, one such file per input. "-" (standard output,
// or an input from standard input without an output) names no file. Names are as the encoder
// opens them: relative ones are taken against the folder it runs in.
QStringList encoderOutputNames(const QStringList &arguments);

// The files the same encoder reads, as it names them: the first remaining operand, or with
// gapless encoding every operand. "-" (standard input) and an empty name name no file.
QStringList encoderInputNames(const QStringList &arguments);

} // namespace fenwave
