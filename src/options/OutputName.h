#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace fenwave {

// Proposes the output file name for an input path: the extension of the file name (the last path
// component; "/" and "\\" both separate) from its last "." on becomes ".mp3"; a file name without
// an extension gets ".mp3" appended. A leading "." of a hidden file name is not an extension, and
// dots in folder names never count. Always ".mp3", whatever the input type.
// An input that names no file (empty, ending in a separator, or "." / "..") gives an empty text:
// proposing ".mp3" there would aim the encoder at a hidden file in some folder.
QString proposeOutputName(const QString &inputPath);

// The same rule with another extension (".wav", ".ogg"), for files whose output is not MP3.
QString proposeOutputName(const QString &inputPath, QStringView extension);

// A name stem as a batch numbers it when its name is taken: "x (2)" is "x" numbered 2.
struct NumberedStem {
    QString stem;
    int number = 0;
};
// The stem a name was numbered from and its number; nothing for a stem the numbering never
// gives: no number in brackets at its end, a number with a leading zero or of more than six
// digits, or "(1)".
std::optional<NumberedStem> numberedStem(QStringView stem);

} // namespace fenwave
