#pragma once

#include "batch/SoundKind.h"

#include <QString>

namespace fenwave {

// How long a sound file plays and how many channels it has, as its headers say.
struct SourceProperties {
    qint64 lengthMs = 0; // 0: not known
    int channels = 0;    // 0: not known
};

// Read with TagLib, the file opened as its content `kind` whatever its name says. A kind TagLib
// does not read (Wave64, RF64), a damaged file or one that cannot be read gives zeros.
SourceProperties readSourceProperties(const QString &path, SoundKind kind);

} // namespace fenwave
