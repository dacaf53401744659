#pragma once

#include "batch/BatchJob.h"
#include "job/FileTime.h"
#include "job/JobStatus.h"
#include "job/TemporaryOutput.h"
#include "options/OutputsInWriting.h"

#include <QString>

#include <memory>
#include <optional>

namespace fenwave {

// What a job does with the file its encoder writes, from the start to the result; the output
// is in the register of outputs being written meanwhile.
//  - In place: the encoder writes the file a command the user wrote names (that command
//    cannot be redirected). A stopped run that did not end well removes the file when the run
//    made it and calls it incomplete when it was there before.
//  - Through a temporary name: the encoder writes a hidden file beside the output that takes
//    its place only when the encoder ends with status 0, as the policy for existing outputs
//    says; a failed or stopped job leaves no partial output and replaces nothing. Any entry at
//    the output's name counts as an output there; only a plain file (or a link to one) is ever
//    replaced. The policy that updates compares the output's time with its input's there and
//    then, and dates an output back when its input changed while it was encoded.
class JobOutput
{
public:
    // `name` as the user gave it, relative names taken against the job's folder; empty for none.
    static JobOutput inPlace(const QString &name);
    // `input`: the file the output is made from (relative names as for `name`), whose time
    // the policy that updates compares. `leftovers` (may be null) finds the temporary files
    // killed runs left.
    static JobOutput throughTemporary(const QString &name, ExistingOutputPolicy existing, const QString &input,
                                      LeftoverTemporaries *leftovers);

    // Before the encoder starts in `folder`: the claim in the register, the temporary file. A
    // failed status when the job must not start.
    std::optional<JobStatus> prepare(const QString &folder);
    // The name the encoder is to write: the temporary file, or the output itself in place.
    QString writtenTo() const;
    bool redirects() const { return m_mode == Mode::Temporary; }
    // The encoder has ended with `ended`; `stopped`: a stop was asked for. Gives the job's
    // result: stopped, finished, failed, or skipped (an output appeared meanwhile and the
    // policy skips; the output is no older than the input and the policy updates). The claim goes.
    JobStatus settle(JobStatus ended, bool stopped);

    // The output's name: the numbered one it took when the policy numbers.
    QString name() const { return m_name; }
    // A stopped run left the output that was there before it incomplete.
    bool incomplete() const { return m_incomplete; }

private:
    enum class Mode { InPlace, Temporary };

    JobOutput(Mode mode, const QString &name) : m_mode(mode), m_name(name) {}
    JobStatus place();
    TemporaryOutput::Placed placeNumbered();
    TemporaryOutput::Placed placeUnlessUpToDate();
    bool upToDate() const;
    void dateBackIfInputChanged();
    QString absolute(const QString &name) const;

    Mode m_mode;
    QString m_name;
    QString m_folder;
    QString m_input;
    std::optional<FileTime> m_inputAtStart; // when the policy updates
    ExistingOutputPolicy m_existing = ExistingOutputPolicy::Overwrite;
    LeftoverTemporaries *m_leftovers = nullptr;
    std::unique_ptr<TemporaryOutput> m_temporary; // none in place
    OutputsInWriting::Claim m_claim;
    bool m_existed = false;
    bool m_incomplete = false;
};

} // namespace fenwave
