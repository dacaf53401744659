#pragma once

#include "options/OptionSet.h"
#include "tags/FileTagRules.h"
#include "tags/SourceTags.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fenwave {

// The title and track number a file's name gives: "03 Title.wav", "03 - Title.flac",
// "03. Title.ogg". Nothing for a name without a leading number.
struct NameTitle {
    int track = 0;
    QString title;
};
NameTitle titleFromFileName(const QString &path);

// The longest tag value a batch passes, in UTF-8 bytes; a longer one is cut at a character.
// With every field at this length the encoder's arguments stay far below what the system
// passes to a program (128 KiB an argument, ARG_MAX for them all): a file's 1 MB title must
// not keep the encoder from starting.
inline constexpr int kTagValueMaxBytes = 16384;

// What the page decides for every file of a batch, kept with its jobs until each starts: its
// filled artist, album, year, genre and comment, met with each file's tags as `how` says, and
// whether a cover may go (not under "Add only a version 1 tag"). While "Use default settings"
// is on the page composes no tags, and everything comes from the file.
FileTagRules fileTagRules(const OptionSet &page, PageTags how = PageTags::Fill);

// The ID3 page's fields that a batch writes into its files (artist, album, year, genre, comment,
// where filled), in the page's order; none while "Use default settings" is on.
QList<Field> filledPageTagFields(const OptionSet &page);

// The encoder's tag switches for one file of a batch, one argument per list item; nothing when
// the rules carry no tags. Artist, album, year, genre and comment: the file's own, the page's
// where the file lacks one (PageTags::Fill), or the page's wherever the page has one
// (PageTags::Replace). The title and the track number always come from the file: its tags,
// else its name, else nothing. Album artist and disc, which the page has no field for, come
// from the tags as "--tv TPE2=..." and "--tv TPOS=...". A genre number the encoder does not
// know is left out, as the encoder would fail the file for it. `coverFile`, when not empty, is
// passed with "--ti", unless the rules leave covers out. Each value is cut to
// kTagValueMaxBytes; `cut`, when given, says whether one was.
// The version the page asks for is left to the encoder, which drops from a version 1 tag what it
// cannot hold; only the cover is left out then, as it would make the encoder add a version 2 tag.
QStringList fileTagSwitches(const FileTagRules &rules, const SourceTags &tags, const QString &inputPath,
                            const QString &coverFile, bool *cut = nullptr);

// The page's empty tag fields filled from a file's tags (title, artist, album, year, track
// "n" or "n/t", genre, comment); a filled field keeps its text. Returns how many were filled.
int fillEmptyTagFields(OptionSet &page, const SourceTags &tags);

} // namespace fenwave
