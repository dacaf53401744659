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

// The two forms of the line: the full one, and the short one of "Use default settings".
enum class CommandForm { Full, Short };

// The switches of a form's line, in the same order, as the encoder's argument list: no encoder
// path, no input and output, each value one argument exactly as the line shows it. Nothing is
// split or quoted.
QStringList composeSwitches(const OptionSet &options, CommandForm form);

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
