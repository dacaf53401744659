#pragma once

#include "batch/SoundKind.h"

#include <QString>

#include <memory>

namespace TagLib {
class File;
class FileStream;
} // namespace TagLib

namespace fenwave {

// A sound file opened with TagLib's class for its content kind, whatever its name says
// (TagLib's own choice goes by the extension: a FLAC named .wav would read as an empty WAV).
// Read-only: a file opened for writing tells whatever watches the music that it was written
// when it is closed, even unchanged, and TagLib's files opened by name take write access.
class TagLibSource
{
public:
    // `readProperties`: also its length and channels.
    TagLibSource(const QString &path, SoundKind kind, bool readProperties);
    ~TagLibSource();

    // Null when the file cannot be read as `kind`, or TagLib has no class for it (Wave64, RF64).
    TagLib::File *file() const { return m_file.get(); }

private:
    std::unique_ptr<TagLib::FileStream> m_stream; // outlives the file reading it
    std::unique_ptr<TagLib::File> m_file;
};

} // namespace fenwave
