#include "batch/BatchRunner.h"

#include "batch/InputAtStart.h"
#include "job/EncoderJob.h"
#include "tags/JobTags.h"
#include "tags/SourceProperties.h"

#include <QDir>
#include <QThread>

#include <algorithm>
#include <cerrno>

namespace fenwave {

namespace {

// The argument list is the file's own (its tags): the encoder itself can be started.
bool startFailedForThisFileAlone(int error)
{
    return error == E2BIG;
}

} // namespace

struct BatchRunner::Running {
    int index = 0;
    EncoderJob *job = nullptr; // a child of the runner, deleted later when the file has ended
    // The embedded cover the encoder reads; removed when the file has ended, or with the runner.
    std::unique_ptr<TemporaryCover> cover;
    bool tagsCut = false;
};

BatchRunner::BatchRunner(const QString &program, const BatchJobs &jobs, const QString &folder, QObject *parent)
    : QObject(parent), m_program(program), m_folder(folder), m_jobs(jobs), m_status(std::size_t(jobs.size())),
      m_keptOutput(std::size_t(jobs.size())), m_lastWords(std::size_t(jobs.size())),
      m_encodersAtOnce(defaultEncodersAtOnce())
{
    if (m_folder.isEmpty())
        m_folder = QDir::currentPath();
    for (int i = 0; i < m_jobs.size(); ++i) {
        if (m_jobs[i].skipped())
            m_status[std::size_t(i)].state = JobState::Skipped;
    }
}

BatchRunner::~BatchRunner()
{
    // Each job kills its encoder, and its temporary file and register entry go with it.
    for (const std::unique_ptr<Running> &run : m_running) {
        run->job->disconnect(this);
        delete run->job;
    }
}

int BatchRunner::defaultEncodersAtOnce()
{
    return std::max(1, QThread::idealThreadCount());
}

int BatchRunner::mostEncodersAtOnce()
{
    return 2 * defaultEncodersAtOnce();
}

void BatchRunner::setEncodersAtOnce(int count)
{
    m_encodersAtOnce = std::clamp(count, 1, mostEncodersAtOnce());
    if (isRunning())
        startMore();
}

void BatchRunner::start()
{
    if (isRunning())
        return;
    m_stopping = false;
    m_encoderStarted = false;
    m_finishPending = false;
    m_programNotStarted.clear();
    m_nextJob = 0;
    startMore();
    finishIfIdle();
}

void BatchRunner::retryFailed()
{
    if (isRunning())
        return;
    for (int i = 0; i < jobCount(); ++i) {
        const JobState state = m_status[std::size_t(i)].state;
        if (state == JobState::Failed || state == JobState::Stopped) {
            m_keptOutput[std::size_t(i)].clear();
            m_lastWords[std::size_t(i)].clear();
            setState(i, JobStatus());
        }
    }
    start();
}

void BatchRunner::stop()
{
    if (!isRunning() || m_stopping)
        return;
    m_stopping = true;
    for (const std::unique_ptr<Running> &run : m_running)
        run->job->stop();
}

bool BatchRunner::mayStartAnother() const
{
    if (m_stopping || !m_programNotStarted.isEmpty())
        return false;
    // Until one encoder has started, a program that cannot start is tried once only.
    if (!m_encoderStarted && !m_running.empty())
        return false;
    return int(m_running.size()) < m_encodersAtOnce;
}

void BatchRunner::startMore()
{
    while (mayStartAnother()) {
        while (m_nextJob < jobCount() && m_status[std::size_t(m_nextJob)].state != JobState::Waiting)
            ++m_nextJob;
        if (m_nextJob >= jobCount())
            return;
        startJob(m_nextJob++);
    }
}

void BatchRunner::startJob(int index)
{
    const BatchJob &planned = m_jobs[index];
    Q_ASSERT_X(!planned.skipped(), "BatchRunner", "a skipped file is never started");
    const QString inputPath = QDir(m_folder).absoluteFilePath(planned.input);
    if (const InputAtStart now = checkInputAtStart(planned, inputPath); now.skip != SkipReason::None) {
        m_jobs[index].skip = now.skip;
        m_jobs[index].kind = now.kind;
        setState(index, JobStatus{JobState::Skipped, 0, JobFailure::None, 0});
        return;
    }
    JobTags tags = prepareJobTags(planned.tagRules, planned.input, planned.kind);
    if (tags.coverError != 0) {
        setState(index, JobStatus{JobState::Failed, 0, JobFailure::CannotWriteCover, tags.coverError});
        return;
    }
    auto *job = new EncoderJob(m_program, planned.switches + tags.switches, planned.input,
                               JobOutput::throughTemporary(planned.output, m_existing, planned.input, &m_leftovers),
                               m_folder, this);
    if (!planned.decoder.isEmpty())
        job->setDecoder(planned.decoder.first(), planned.decoder.mid(1),
                        readSourceProperties(inputPath, planned.kind).lengthMs);
    if (!job->start()) {
        setState(index, job->status());
        delete job;
        return;
    }
    auto run = std::make_unique<Running>();
    run->index = index;
    run->job = job;
    run->cover = std::move(tags.cover);
    run->tagsCut = tags.tagsCut;
    Running *raw = run.get();
    connect(job, &EncoderJob::started, this, [this] {
        if (!m_encoderStarted) {
            m_encoderStarted = true;
            startMore();
        }
    });
    connect(job, &EncoderJob::outputReady, this, [job] { job->read(); });
    connect(job, &EncoderJob::progressed, this, [this, raw] {
        const double fraction = raw->job->status().progress;
        JobStatus &status = m_status[std::size_t(raw->index)];
        if (fraction != status.progress) {
            status.progress = fraction;
            emit jobProgressed(raw->index, fraction);
        }
    });
    connect(job, &EncoderJob::finished, this, [this, raw] { jobEnded(raw); });
    m_running.push_back(std::move(run));
    setState(index, job->status());
}

void BatchRunner::jobEnded(Running *run)
{
    JobStatus status = run->job->status();
    if (status.failure == JobFailure::CannotStart && !startFailedForThisFileAlone(status.code)) {
        // A file whose encoder never ran waits for another start, unless the encoder could not
        // be started for it alone.
        if (m_stopping || !m_encoderStarted) {
            if (!m_stopping) // the batch could not begin at all
                m_programNotStarted = m_program;
            status = JobStatus();
        }
    } else if (m_stopping && status.state != JobState::Stopped) {
        status = JobStatus{JobState::Stopped, m_status[std::size_t(run->index)].progress, JobFailure::None, 0};
    }
    if (status.state == JobState::Finished)
        status.tagsCut = run->tagsCut;
    if (status.state == JobState::Skipped)
        m_jobs[run->index].skip
            = m_existing == ExistingOutputPolicy::Update ? SkipReason::OutputUpToDate : SkipReason::AppearedDuringBatch;
    // A file done may have taken another output name than planned.
    m_jobs[run->index].output = run->job->output().name();
    m_keptOutput[std::size_t(run->index)] = run->job->keptOutput();
    m_lastWords[std::size_t(run->index)] = run->job->lastWords();
    endJob(run, status);
}

void BatchRunner::endJob(Running *run, const JobStatus &status)
{
    const int index = run->index;
    run->job->disconnect(this);
    run->job->deleteLater();
    const auto found = std::find_if(m_running.begin(), m_running.end(),
                                    [run](const std::unique_ptr<Running> &each) { return each.get() == run; });
    m_running.erase(found);
    setState(index, status);
    startMore();
    finishIfIdle();
}

void BatchRunner::finishIfIdle()
{
    if (!m_running.empty() || m_finishPending)
        return;
    m_finishPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_finishPending || !m_running.empty())
                return;
            m_finishPending = false;
            m_stopping = false;
            emit finished();
        },
        Qt::QueuedConnection);
}

void BatchRunner::setState(int index, const JobStatus &status)
{
    m_status[std::size_t(index)] = status;
    emit jobChanged(index);
}

const BatchRunner::Running *BatchRunner::runningJob(int index) const
{
    for (const std::unique_ptr<Running> &run : m_running) {
        if (run->index == index)
            return run.get();
    }
    return nullptr;
}

QByteArray BatchRunner::keptOutput(int index) const
{
    const Running *run = runningJob(index);
    return run ? run->job->keptOutput() : m_keptOutput.at(std::size_t(index));
}

QString BatchRunner::lastWords(int index) const
{
    const Running *run = runningJob(index);
    return QString::fromUtf8(run ? run->job->lastWords() : m_lastWords.at(std::size_t(index)));
}

BatchCounts BatchRunner::counts() const
{
    BatchCounts counts;
    for (const JobStatus &status : m_status) {
        switch (status.state) {
        case JobState::Waiting: ++counts.waiting; break;
        case JobState::Encoding: ++counts.encoding; break;
        case JobState::Finished: ++counts.finished; break;
        case JobState::Failed: ++counts.failed; break;
        case JobState::Skipped: ++counts.skipped; break;
        case JobState::Stopped: ++counts.stopped; break;
        }
    }
    return counts;
}

double BatchRunner::share(bool failedCountsAsDone) const
{
    double done = 0;
    int toEncode = 0;
    for (const JobStatus &status : m_status) {
        if (status.state == JobState::Skipped)
            continue;
        ++toEncode;
        if (status.state == JobState::Encoding)
            done += status.progress;
        else if (status.state == JobState::Finished || (failedCountsAsDone && status.state == JobState::Failed))
            done += 1;
    }
    return toEncode == 0 ? (failedCountsAsDone ? 1.0 : 0.0) : done / toEncode;
}

} // namespace fenwave
