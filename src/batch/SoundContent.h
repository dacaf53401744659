#pragma once

#include "batch/SoundKind.h"

#include <QByteArray>

namespace fenwave {

// The bytes of one file, read at any offset: the file itself, or bytes held in memory.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    virtual qint64 size() const = 0;
    // Up to `count` bytes at `offset`; fewer at the end or on a read error.
    virtual QByteArray read(qint64 offset, qint64 count) const = 0;
};

// The first bytes read of every file: enough for every content type the MIME database tells by
// its first bytes, and for the headers of all but unusual files.
inline constexpr qint64 kContentHeadSize = 4096;
// What the check reads past the head at most, whatever the file: the chunk headers of a WAV,
// AIFF or MP4 file, the frame after an ID3v2 tag. A file of countless tiny chunks, or sizes
// that lead nowhere, cost no more.
inline constexpr qint64 kContentWalkBound = 256 * 1024;

// What the bytes hold, judged by their content alone. NotChecked only when nothing could be
// read; NotRegular is never given (the source is read).
SoundFormat soundFormatOfContent(const ByteSource &source);

} // namespace fenwave
