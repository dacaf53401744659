#pragma once

#include "batch/BatchJob.h"
#include "batch/SoundKind.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace fenwave {

// The rgrInputType index of WAV PCM.
inline constexpr int kWavPcmInputType = 5;

// The audio files in `folder` and its subfolders that the input type with this rgrInputType
// index reads, by extension, in any letter case: MPEG Layer I/II/III .mp1 .mp2 .mp3 .mpa; Ogg
// Vorbis .ogg; RAW PCM .raw .pcm. WAV PCM (and no type chosen, which the encoder reads the
// same way) takes every kind of sound that has a route to the encoder: the names .wav .wave
// .aif .aiff .aifc .w64 .rf64 .bwf .flac .ogg .oga .opus .m4a .m4b .mp4 .mp1 .mp2 .mp3 .mpa pick
// the candidates, and the content decides (a file that holds no sound is left out; one that
// cannot be read is taken, for the encoder to say). Links to folders are not followed, hidden
// files and folders are skipped, and each folder is listed in natural name order, its
// subfolders in place among its files. Each path is the folder's text, "/" and the path below it. A folder
// that cannot be read adds nothing. Names that are not valid UTF-8 are listed too, holding
// U+FFFD where their bytes could not be read.
QStringList listAudioFiles(const QString &folder, int inputTypeIndex);

// The same list with every path as the file system holds it, byte for byte.
QList<QByteArray> listAudioFileNames(const QByteArray &folder, int inputTypeIndex);

// A file the list holds, with what its content check found, so that a plan made right after
// need not read the file again; none where no check was made (an input type that takes files
// by name, a name whose text does not give back its bytes, a file skipped unread).
struct ListedFile {
    QByteArray path;
    std::optional<SoundFormat> format;
    SkipReason skip = SkipReason::None; // known as it is listed: no regular file, none, a path too long
};
// Every file of the input type's names, for the batch to take or to skip with the reason: the
// list above, and also the files whose content is no sound (the check says what they hold), the
// FIFOs, devices and sockets (SkipReason::NotRegularFile, never opened), dangling links
// (SkipReason::InputDoesNotExist) and the files whose path is longer than the system opens
// (SkipReason::PathTooLong, not looked at). Each folder is opened from the one it is in, so
// that a tree deeper than a path can name is listed whole.
QList<ListedFile> listCheckedAudioFiles(const QByteArray &folder, int inputTypeIndex);

// true when the name ends in an extension of any input type above, in any letter case.
bool hasAudioExtension(const QString &fileName);

// Names compared as people read them: runs of digits by their value ("2" before "10"), the
// rest without regard to letter case; exact order as the last resort, so no two names tie.
bool naturalNameLess(QStringView a, QStringView b);

// `name` below `folder`, with exactly one "/" between them.
QString pathInFolder(const QString &folder, const QString &name);

} // namespace fenwave
