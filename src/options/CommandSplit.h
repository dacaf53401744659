#pragma once

#include <QString>
#include <QStringList>

namespace fenwave {

// Splits a command text the way the composer quotes it: blanks, tabs and line breaks (CR, LF)
// separate arguments; a stretch in double quotes is (part of) one argument and the quotes are
// removed ("a b"c -> a bc; "" -> an empty argument); an unbalanced quote runs to the end of the
// text. Inside quotes every character, line breaks included, belongs to the argument.
// Nothing else is special: no backslash escapes, no variables, no globbing.
// The first element is the program.
QStringList splitCommandText(const QString &text);

// The characters that separate arguments outside quotes: blank, tab, CR and LF.
bool separatesArguments(QChar c);

} // namespace fenwave
