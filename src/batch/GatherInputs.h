#pragma once

#include "batch/BatchPlan.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <vector>

namespace fenwave {

// One input of a batch as it was gathered from the names given.
struct GatheredInput {
    BatchInput input; // the absolute path the work uses, the absolute folder it was found in, and
                      // the reason it is skipped before anything starts, if any
    QByteArray given; // as the user spelt it: the name given, or the folder given, "/" and the
                      // path below it; byte for byte, for the report
};

struct GatheredInputs {
    std::vector<GatheredInput> inputs; // in the order given, each folder's files in its list order
    QList<QByteArray> emptyFolders;    // folders given that hold no file of the input type, as given
};

// Turns names given for a batch into its inputs, one way for the window and the shell:
// - a folder stands for the files in it and its subfolders that the input type with this
//   rgrInputType index reads (see listCheckedAudioFiles);
// - one file is one input under any spelling: named again, relative and absolute, through a
//   symbolic or a hard link, or given alone and inside a given folder; the first one counts,
//   and a file already `listed` is not taken again;
// - a name that is not valid UTF-8 is kept, skipped with SkipReason::NameNotUtf8 (the file it
//   seems to name would be another one); so is a name that names nothing, with
//   SkipReason::InputDoesNotExist, a FIFO, a device or a socket (or a link to one), with
//   SkipReason::NotRegularFile, and a path longer than the system opens, with
//   SkipReason::PathTooLong; an empty name is handed on as it is (it names no file);
// - a folder's files that are no sound, no regular file or too deep are listed too, each to be
//   skipped with its reason (see listCheckedAudioFiles).
// Names are bytes as the file system holds them (the shell's arguments).
GatheredInputs gatherInputs(const QList<QByteArray> &names, int inputTypeIndex,
                            const std::vector<BatchInput> &listed = {});

// The same for names as text (the window's): a name holding U+FFFD is one whose bytes were
// not valid UTF-8 and is skipped as such.
GatheredInputs gatherInputs(const QStringList &names, int inputTypeIndex, const std::vector<BatchInput> &listed = {});

// true when the bytes are valid UTF-8.
bool isValidUtf8(const QByteArray &bytes);

} // namespace fenwave
