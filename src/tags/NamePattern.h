#pragma once

#include "language/Language.h"
#include "tags/SourceTags.h"

#include <QString>
#include <QStringList>

namespace fenwave {

// The most bytes a file system takes for one part of a path.
inline constexpr int kNameMaxBytes = 255;

// An output name made from a pattern and a file's tags, relative to the folder outputs go to,
// with `extension` appended. The fields: {artist}, {albumartist}, {album}, {year}, {track} (two
// digits), {disc}, {title}, {name} (the input's name without its extension); "/" in the pattern
// starts a folder. A field the file lacks takes a stated fallback: "Unknown artist" (and the
// like) in the language, the title from a name such as "03 Title", else the input's name; the
// track number from the name, else "00"; the disc "1". A text in braces that names no field
// stays as it is.
// The name is made safe: a field's value holds no "/" and no control character, no part starts
// with a dot (so none is "." or ".."), empty parts go, and each part, the last with its
// extension, fits in kNameMaxBytes of UTF-8, cut at a character boundary.
QString nameFromPattern(const QString &pattern, const SourceTags &tags, const QString &inputPath,
                        const QString &extension, Language language);

// true when the pattern names a field that comes from the tags: any field but {name}.
bool patternReadsTags(const QString &pattern);

// The texts in braces that name no field, braces and all ("{artst}"), each once: likely typing
// slips, which the names would hold as they stand.
QStringList unknownPatternFields(const QString &pattern);
// Every field, braces and all, in the order above.
QStringList patternFields();

} // namespace fenwave
