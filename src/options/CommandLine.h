#pragma once

#include "options/OptionSet.h"

#include <QString>
#include <QStringView>

namespace fenwave {

// The full encoder command line: encoder path, every switch the options call for in a fixed
// order, then the input and output paths. Texts pass as typed, trimmed only where noted.
QString composeFullCommandLine(const OptionSet &options);

// The short line used while "Use default settings" is on: encoder path, " -h", input, output.
QString composeShortCommandLine(const OptionSet &options);

// Removes leading and trailing characters below code 33 (the blank and all control characters).
QStringView trimBelow33(QStringView text);

// Wraps a value in double quotes when it holds a blank (code 32); nothing else is escaped.
QString quotedOnBlank(QStringView text);

} // namespace fenwave
