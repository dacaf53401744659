#pragma once

#include "batch/SoundKind.h"
#include "tags/FileTagRules.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fenwave {

// Why the plan leaves a file out of a batch; settled before any encoder starts.
enum class SkipReason {
    None,
    OutputIsInput,        // the output names the input itself, under any spelling
    OutputIsAnotherInput, // the output names another input of the same batch
    OutputExists,         // the output exists and the policy says skip
    InputNamesNoFile,     // the input text names no file ("", ".", a folder ending in "/"): no output name
    NameNotUtf8,          // the input's name is not valid UTF-8: as text it would name another file
    InputDoesNotExist,    // nothing stands under the input's name
    // The input holds what its input type does not read; `kind` says what, and no output is named.
    NotSound,            // the input holds no sound (an image, a text...)
    KindNotRead,         // the encoder reads this kind of sound under no input type (M4A)
    KindNotOfInputType,  // a kind of sound the chosen input type does not read
    NeedsDecoder,        // only the decoder brings this kind (or this many channels) to the encoder, and there is none
    AppearedDuringBatch, // the output was not there at planning but was when the file was done (policy skip)
    OutputUpToDate,      // the output is no older than its input (policy update), at planning or when done
    NotRegularFile,      // the input is a FIFO, a device or a socket: reading it could block or never end
    PathTooLong,         // the input's path is longer than the system lets a program open
    InputChanged,        // the input holds another kind than when the batch was planned (`kind` says what now)
};

// What to do with an output file that exists before the batch starts. Update replaces only an
// output older than its input, so that a batch run again redoes only new and changed files.
enum class ExistingOutputPolicy { Skip, Overwrite, Number, Update };

// One file of a batch, as the plan settles it.
struct BatchJob {
    QString input;        // exact, as given or found
    QString output;       // exact, the final name after every conflict is settled; when skipped,
                          // the name that made it skip (empty when the input names no file)
    QStringList switches; // the encoder's switches, without the input and the output (which
                          // encoderArguments() adds); empty when skipped
    SkipReason skip = SkipReason::None;
    SoundKind kind = SoundKind::NotChecked; // what the input holds, by its content
    FileTagRules tagRules;                  // which of the input's own tags the job adds to `switches` as it starts
    int channels = 0;                       // how many, where the input's header says
    // The command, program first, that decodes the input into the encoder's standard input;
    // empty when the encoder reads the input itself.
    QStringList decoder;

    bool skipped() const { return skip != SkipReason::None; }
};

// The jobs of a batch, in list order, from the plan to the views.
using BatchJobs = QList<BatchJob>;

} // namespace fenwave
