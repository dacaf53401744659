#pragma once

#include "tags/SourceTags.h"

#include <QString>
#include <QStringList>

namespace fenwave {

// The most bytes a file system takes for one part of a path.
inline constexpr int kNameMaxBytes = 255;

// An output name made from a pattern and a file's tags, relative to the folder outputs go to,
// with `extension` appended. The fields: {artist}, {albumartist}, {album}, {year}, {track} (two
// digits), {disc}, {title}, {name} (the input's name without its extension); "/" in the pattern
// starts a folder: every part before the last "/" is a folder level, the last names the file.
// A text in braces that names no field stays as it is.
// A tag that is empty, or that would leave nothing in a name (blanks, dots), is missing. Where
// a folder level names {artist}, {albumartist} or {album} and the file lacks it ({albumartist}:
// both the album artist and the artist), the folder levels from the first that names one of
// these three to the last give way to `keptFolders`, the folders the file keeps (as they are,
// "/" between them; none: no folder). Otherwise a missing field reads: {artist} and
// {albumartist} "Unknown artist" ({albumartist} the artist first), {album} "Unknown album",
// {year} "Unknown year" (always these words, whatever the interface language); {title} the
// title of a name such as "03 Title" (titleFromFileName), else the input's name; {track} the
// number such a name gives, else nothing, and then the separator after it (blanks, dashes,
// "." and "_") goes too; {disc} "1".
// The name is made safe: a field's value holds no "/", no control character and no invisible
// format character (direction marks and overrides, zero-width characters, the byte order mark),
// no part starts with a dot (so none is "." or ".."), empty parts go, a file name left empty is
// the input's name (else "_"), and each part, the last with its extension, fits in kNameMaxBytes of UTF-8, cut at a
// character boundary. The pattern's own text is kept as typed otherwise.
QString nameFromPattern(const QString &pattern, const SourceTags &tags, const QString &inputPath,
                        const QString &extension, const QString &keptFolders);

// true when the pattern names a field that comes from the tags: any field but {name}.
bool patternReadsTags(const QString &pattern);

// The texts in braces that name no field, braces and all ("{artst}"), each once: likely typing
// slips, which the names would hold as they stand.
QStringList unknownPatternFields(const QString &pattern);
// The parts of the pattern (between its "/") that hold a "{" no "}" closes or a "}" that
// closes no "{" ("{album", "artist}"), each once: slips too, kept in the names as typed.
QStringList unpairedPatternBraces(const QString &pattern);
// Every field, braces and all, in the order above.
QStringList patternFields();

} // namespace fenwave
