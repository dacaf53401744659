#pragma once

#include <QString>

namespace fenwave {

// How the ID3 page's filled fields meet each file's own tags in a batch: they fill only what a
// file lacks (the file's own tags win), or they are written over every file's.
enum class PageTags { Fill, Replace };

// What the ID3 page decides for every file of a batch, kept with its jobs until each starts and
// reads its file's own tags.
struct FileTagRules {
    bool carry = false; // false: the job gets no tag switches at all
    PageTags how = PageTags::Fill;
    // The page's filled fields, trimmed; empty where the page leaves a field open (or while "Use
    // default settings" is on). Title and track number are never the page's: they are per file.
    QString artist;
    QString album;
    QString year;
    QString genre;
    QString comment;
    // false under "Add only a version 1 tag": a picture would make the encoder add a version 2 tag.
    bool cover = true;
};

} // namespace fenwave
