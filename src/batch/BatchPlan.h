#pragma once

#include "batch/BatchFileFacts.h"
#include "batch/BatchJob.h"
#include "batch/SoundRoute.h"
#include "language/Language.h"
#include "options/OptionSet.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace fenwave {

// One input of a batch: the file, the folder it was found in (empty when given alone), and why
// it is left out when that is known before planning (see gatherInputs).
struct BatchInput {
    QString path;
    QString folder;
    SkipReason skip = SkipReason::None;
    // What the content check found before planning (as the folder was listed, or as the shell
    // asked which kinds to probe), for the plan made right after; none: the plan looks itself.
    std::optional<SoundFormat> format = std::nullopt;
};

struct BatchRequest {
    OptionSet options;              // the window's options, taken at Start
    std::vector<BatchInput> inputs; // in list order
    QString outputFolder;           // empty: each output beside its input
    ExistingOutputPolicy existing = ExistingOutputPolicy::Skip;
    QString namePattern;                   // empty: outputs named as their inputs
    Language language = Language::English; // of the pattern's fallbacks ("Unknown artist")
    RouteFacts routes;                     // the decoder and what the probe found
    PageTags pageTags = PageTags::Fill;    // how the ID3 page's filled fields meet each file's tags
};

// One job per input, in list order, every conflict settled before anything starts.
// Output names: the input's name with the extension of what the encoder writes; beside the
// input, straight in the output folder for a file given alone, or in
// <output folder>/<name of the folder it was found in>/<its path below that folder>. Two jobs
// never share an output: the second and later get " (2)", " (3)"... before the extension, in
// list order. An output that is the input itself or another input is skipped with that reason;
// an existing output follows the policy (update: skipped when no older than its input, still
// holding its name). An input whose content its input type does not read is skipped first,
// with no output name. A skipped job keeps the name that made it skip and has no switches.
// Read as WAV PCM (readsAsWave), every kind with a route is taken, each by its route
// (routeFor): an MPEG file with the input switch of its layer, a file through the decoder with
// the decoder's command; one that needs the decoder when there is none is skipped.
// An input skipped before planning stays skipped, with no output. A FIFO or a device is
// skipped under every input type (SkipReason::NotRegularFile).
// An input found in a folder whose file another input's job writes (under its first output
// name, or that name numbered " (2)", " (3)"...) is that job's output from an earlier run: it
// gets no job, and the policy decides for the other's existing output. Named alone, it stays an
// input, skipped as another input's output.
// With a name pattern, each output is named by nameFromPattern below the output folder, or
// below its input's own folder when there is none.
// Switches: those of the command-line box's form (short while flgDefault is on), without the
// ID3 page's tag fields. The tag switches follow when its job starts, from the file's own tags
// and the page's fields as `pageTags` says (fileTagRules); the plan reads tags only for a
// pattern that names them.
BatchJobs planBatch(const BatchRequest &request, const BatchFileFacts &facts);
// How the jobs of a plan stand to the inputs of its request, for the views: a row removed takes
// its input, and the earlier outputs found in a folder that its job writes, out of the list.
struct JobInputs {
    QList<qsizetype> inputOfJob; // each job's input
    QList<qsizetype> jobOfInput; // each input's job: its own, or for an earlier output the job
                                 // that writes it (-1 where that one is such an output too)
};
// The same, saying how the jobs stand to the inputs.
BatchJobs planBatch(const BatchRequest &request, const BatchFileFacts &facts, JobInputs &jobInputs);

// The extension of the file the encoder writes with these options: ".wav" when it decodes,
// ".ogg" when it writes Ogg Vorbis, else ".mp3".
QString batchOutputExtension(const OptionSet &options);

// The fields with a value that a batch does not apply, because they describe a single file
// (edtSongName, edtTrackNumber), so that the batch window can say so.
QList<Field> perFileFieldsLeftOut(const OptionSet &options);

// true when the command-line box holds a text other than the one the options compose (a hand
// edit), which a batch does not apply.
bool commandBoxHoldsHandEdit(const OptionSet &options);

} // namespace fenwave
