#pragma once

namespace fenwave {

// How the ID3 page's filled fields meet each file's own tags in a batch: they fill only what a
// file lacks (the file's own tags win), or they are written over every file's.
enum class PageTags { Fill, Replace };

// Which of its own tags each file of a batch carries over, as the ID3 page decides for the whole
// batch. The tags themselves are read when the file's job starts.
struct FileTagRules {
    bool carry = false; // false: the job gets no switches from its file's tags
    // Fields the page leaves open; a field filled there applies to every file and wins.
    bool artist = true;
    bool album = true;
    bool year = true;
    bool genre = true;
    bool comment = true;
    // false under "Add only a version 1 tag": a picture would make the encoder add a version 2 tag.
    bool cover = true;
};

} // namespace fenwave
