#pragma once

#include "options/OptionSet.h"
#include "tags/FileTagRules.h"
#include "tags/SourceTags.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fenwave {

// The title and track number a file's name gives: "03 Title.wav", "03 - Title.flac",
// "3. Title.ogg", "Track 7.flac", "track07.wav" (no title), "07.wav" (no title). Nothing for a
// name without a leading number, nor for "1999.flac" or "2 Unlimited - Get Ready.flac" (a
// single digit and a blank before "Artist - Title" start the artist's name).
struct NameTitle {
    int track = 0;
    QString title;
};
NameTitle titleFromFileName(const QString &path);

// The encoder's tag switches for one file of a batch, one argument per list item.
// A field filled on the ID3 page applies to every file and is composed with the shared
// switches, so it gives nothing here; a field left empty comes from the file's tags. The title
// and the track number always come from the file: its tags, else its name, else nothing. Album
// artist and disc, which the page has no field for, come from the tags as "--tv TPE2=..." and
// "--tv TPOS=...". `coverFile`, when not empty, is passed with "--ti". While "Use default
// settings" is on the page composes no tags, and everything comes from the file.
// The version the page asks for is left to the encoder, which drops from a version 1 tag what it
// cannot hold; only the cover is left out then, as it would make the encoder add a version 2 tag.
QStringList fileTagSwitches(const OptionSet &page, const SourceTags &tags, const QString &inputPath,
                            const QString &coverFile);

// What the page decides for every file of a batch, kept with its jobs until each starts.
FileTagRules fileTagRules(const OptionSet &page);

// The ID3 page's fields that a batch writes into its files (artist, album, year, genre, comment,
// where filled), in the page's order; none while "Use default settings" is on.
QList<Field> filledPageTagFields(const OptionSet &page);
// The same switches under rules taken earlier; nothing when the rules carry no tags.
QStringList fileTagSwitches(const FileTagRules &rules, const SourceTags &tags, const QString &inputPath,
                            const QString &coverFile);

// The page's empty tag fields filled from a file's tags (title, artist, album, year, track
// "n" or "n/t", genre, comment); a filled field keeps its text. Returns how many were filled.
int fillEmptyTagFields(OptionSet &page, const SourceTags &tags);

} // namespace fenwave
