#pragma once

#include "batch/SoundKind.h"

#include <QByteArray>
#include <QString>

namespace fenwave {

// What a sound file says about itself: its tags and its front cover. An empty text or a zero
// number means the file does not say.
struct SourceTags {
    QString title;
    QString artist;
    QString album;
    QString albumArtist;
    QString year; // four digits
    QString genre;
    QString comment;
    int track = 0;
    int trackTotal = 0;
    int disc = 0;
    int discTotal = 0;
    QByteArray cover; // the embedded front cover (JPEG, PNG...), as stored
    // A picture beside the file (cover.jpg, folder.jpg, front.jpg or .png), when it embeds no
    // cover the encoder takes.
    QString coverFile;

    bool isEmpty() const;
};

// The tags of the file at `path`, whose content is of `kind`: the file is opened as that kind,
// whatever its name says. A kind that holds no tags, a damaged file or one that cannot be read
// gives empty tags (and still the picture beside it).
SourceTags readSourceTags(const QString &path, SoundKind kind);

// The same, judging the kind from the content first.
SourceTags readSourceTags(const QString &path);

// The picture beside the file at `path` that stands for its album's cover (cover, folder or front
// .jpg, .jpeg or .png), or empty. The usual spellings only (lower case, or a capital first
// letter): each costs a look-up per file. A file that holds no JPEG, PNG or GIF, whatever its
// name says, is passed over, as the encoder would fail the file it goes with.
QString coverBeside(const QString &path);

// A number written as "n" or "n/t" (leading blanks and zeros allowed): n, and t when present.
// 0 for what is not a positive number.
struct NumberOfTotal {
    int number = 0;
    int total = 0;
};
NumberOfTotal parseNumberOfTotal(const QString &text);

// The year in a date ("2019-05-01", "2019"): its first four digits in a row; empty when none.
QString yearOfDate(const QString &date);

} // namespace fenwave
