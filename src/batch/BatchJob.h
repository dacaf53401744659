#pragma once

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
    AppearedDuringBatch,  // the output was not there at planning but was when the file was done (policy skip)
};

// What to do with an output file that exists before the batch starts.
enum class ExistingOutputPolicy { Skip, Overwrite, Number };

// One file of a batch, as the plan settles it.
struct BatchJob {
    QString input;         // exact, as given or found
    QString output;        // exact, the final name after every conflict is settled; when skipped,
                           // the name that made it skip (empty when the input names no file)
    QStringList arguments; // the encoder's arguments (not the program), input and output last;
                           // empty when skipped
    SkipReason skip = SkipReason::None;

    bool skipped() const { return skip != SkipReason::None; }
};

} // namespace fenwave
