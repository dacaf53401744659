#pragma once

#include "options/OptionSet.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace fenwave {

// The full encoder command line: encoder path, every switch the options call for in a fixed
// order, then the input and output paths. Texts pass as typed, trimmed only where noted.
QString composeFullCommandLine(const OptionSet &options);

// The short line used while "Use default settings" is on: encoder path, " -h", input, output.
QString composeShortCommandLine(const OptionSet &options);

// The same switches as the two lines, in the same order, as the encoder's argument list: no
// encoder path, each value one argument exactly as the line shows it, then edtInput and
// edtOutput exactly as they stand (untrimmed, even when empty). Nothing is split or quoted.
QStringList composeFullArguments(const OptionSet &options);
QStringList composeShortArguments(const OptionSet &options);

// Removes leading and trailing characters below code 33 (the blank and all control characters).
QStringView trimBelow33(QStringView text);

// Wraps a value in double quotes when it holds a character at which the command text is split
// into arguments (blank, tab, CR, LF), so that it stays one argument; nothing else is escaped.
QString quotedAsOneArgument(QStringView text);

// How a path piece takes its field's text: the encoder path as it stands, the input and the
// output trimmed (trimBelow33).
enum class PathPiece { Untrimmed, Trimmed };

// Whether the composed line gives this name back to the encoder exactly. A double quote cannot
// be written at all (the splitter removes it), and a trimmed piece loses what lies below code 33
// at its ends.
bool commandLineCarries(QStringView name, PathPiece piece);

} // namespace fenwave
