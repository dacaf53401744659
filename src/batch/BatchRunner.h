#pragma once

#include "batch/BatchJob.h"
#include "job/JobStatus.h"
#include "job/TemporaryOutput.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

namespace fenwave {

// How many files of a batch are in each state.
struct BatchCounts {
    int waiting = 0;
    int encoding = 0;
    int finished = 0;
    int failed = 0;
    int skipped = 0;
    int stopped = 0;
};

// Runs the encoder on the files of a batch, several at once: a scheduler of encoder jobs (how
// many at once, which next, Stop for all, one encoder before any other). Each job writes to a
// hidden temporary file beside its output that takes the output's place only when the encoder
// ends with status 0 (EncoderJob, JobOutput). A file's own tags are read as its job starts
// (prepareJobTags); the temporary file of its embedded cover lives as long as the job. Needs the
// event loop and nothing of a window.
class BatchRunner : public QObject
{
    Q_OBJECT
public:
    // `program` is the encoder, given each job's switches, input and output; the encoders run
    // in `folder` (relative names are taken against it). Jobs the plan skipped stay skipped.
    BatchRunner(const QString &program, const BatchJobs &jobs, const QString &folder, QObject *parent = nullptr);
    // Kills encoders still running (waiting a bounded time for them) and removes their
    // temporary files.
    ~BatchRunner() override;

    // The number of cores, and the most encoders at once that can be asked for.
    static int defaultEncodersAtOnce();
    static int mostEncodersAtOnce();
    int encodersAtOnce() const { return m_encodersAtOnce; }
    // Taken into the range 1..mostEncodersAtOnce(); a change applies from the next file on.
    void setEncodersAtOnce(int count);
    // What to do with an output that is there when a file is done (the plan settled those there
    // before): Overwrite replaces it; Skip keeps it and skips the file; Number takes the
    // next free numbered name, which the job then holds; Update replaces it only while it is
    // older than the file's input, and skips the file when it is not. Overwrite unless set.
    void setExistingOutputPolicy(ExistingOutputPolicy policy) { m_existing = policy; }

    // Starts the waiting files. Nothing happens while the batch is running.
    void start();
    // Failed and stopped files wait again, and the batch starts.
    void retryFailed();
    // Asks every running encoder to stop at once (killed after EncoderJob::kStopGraceMs) and
    // starts no more; their files count as stopped. finished() follows when the last one has ended.
    void stop();

    bool isRunning() const { return !m_running.empty(); }
    // Stop was asked for and encoders are still ending.
    bool isStopping() const { return m_stopping; }

    int jobCount() const { return int(m_jobs.size()); }
    const BatchJob &job(int index) const { return m_jobs.at(index); }
    const BatchJobs &jobs() const { return m_jobs; }
    const JobStatus &status(int index) const { return m_status.at(index); }
    // What the encoder of a file wrote: the last 64 KiB while it runs and when it failed; the
    // lines that say something (a few KiB: its notes and warnings) when it finished; nothing
    // for a file whose encoder never ran.
    QByteArray keptOutput(int index) const;
    // The last line that says something of a file's encoder ("Can't init outfile 'x.mp3'");
    // empty when there is none.
    QString lastWords(int index) const;
    BatchCounts counts() const;
    // How much of the work on the files to encode (every one but the skipped) is done, 0..1: a
    // finished or failed file counts whole, a running one as far as it is, a stopped one (its
    // output is gone) and one not started not at all. What the remaining time is reckoned from.
    double overallProgress() const { return share(true); }
    // The same, counting only what succeeded: finished files whole, running ones as far as
    // they are. A batch whose files all failed stays at 0. 0 when there is nothing to encode.
    double finishedShare() const { return share(false); }
    // The program, when the batch ended because its first encoder could not be started (no
    // other was then started); empty otherwise. A start that fails for one file's own argument
    // list (too long) fails that file only.
    QString programNotStarted() const { return m_programNotStarted; }

signals:
    // A file's state or its failure changed.
    void jobChanged(int index);
    void jobProgressed(int index, double progress);
    // No encoder runs and none will start until start() or retryFailed().
    void finished();

private:
    double share(bool failedCountsAsDone) const;
    struct Running;

    void startMore();
    void startJob(int index);
    bool mayStartAnother() const;
    void jobEnded(Running *run);
    void endJob(Running *run, const JobStatus &status);
    void finishIfIdle();
    void setState(int index, const JobStatus &status);
    const Running *runningJob(int index) const;

    QString m_program;
    QString m_folder;
    BatchJobs m_jobs;
    std::vector<JobStatus> m_status;
    std::vector<QByteArray> m_keptOutput; // of ended files
    std::vector<QByteArray> m_lastWords;  // of ended files
    std::vector<std::unique_ptr<Running>> m_running;
    int m_encodersAtOnce;
    ExistingOutputPolicy m_existing = ExistingOutputPolicy::Overwrite;
    LeftoverTemporaries m_leftovers; // of killed runs, in the output folders
    int m_nextJob = 0;
    bool m_stopping = false;
    bool m_encoderStarted = false; // of this round: until then only one encoder is started
    bool m_finishPending = false;
    QString m_programNotStarted;
};

} // namespace fenwave
