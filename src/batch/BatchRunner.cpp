#include "batch/BatchRunner.h"

#include "batch/EncoderOutput.h"
#include "batch/TemporaryOutput.h"
#include "options/EncoderEnvironment.h"
#include "options/OutputsInWriting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace fenwave {

namespace {
// How many numbered names a file done tries when its output appeared meanwhile.
constexpr int kMostNumbers = 1000;
} // namespace

struct BatchRunner::Running {
    int index = 0;
    QProcess *process = nullptr;                // a child of the runner, deleted later when the file has ended
    pid_t group = 0;                            // the encoder's process group; 0 until it is forked
    std::unique_ptr<TemporaryOutput> temporary; // none when the output is written directly
    OutputsInWriting::Claim claim;
    EncoderOutput output;
};

BatchRunner::BatchRunner(const QString &program, const QVector<BatchJob> &jobs, const QString &folder, QObject *parent)
    : QObject(parent), m_program(program), m_folder(folder), m_environment(encoderEnvironment()), m_jobs(jobs),
      m_status(std::size_t(jobs.size())), m_keptOutput(std::size_t(jobs.size())), m_lastWords(std::size_t(jobs.size())),
      m_encodersAtOnce(defaultEncodersAtOnce())
{
    if (m_folder.isEmpty())
        m_folder = QDir::currentPath();
    // A dumb terminal: the encoder writes its progress lines without cursor codes.
    m_environment.insert(QStringLiteral("TERM"), QStringLiteral("dumb"));
    for (int i = 0; i < m_jobs.size(); ++i) {
        if (m_jobs[i].skipped())
            m_status[std::size_t(i)].state = JobState::Skipped;
    }
    m_killTimer.setSingleShot(true);
    m_killTimer.setInterval(kStopGraceMs);
    connect(&m_killTimer, &QTimer::timeout, this, [this] { signalAll(SIGKILL); });
}

BatchRunner::~BatchRunner()
{
    m_killTimer.stop();
    for (const std::unique_ptr<Running> &run : m_running) {
        run->process->disconnect(this);
        if (run->group > 0)
            ::kill(-run->group, SIGKILL);
    }
    for (const std::unique_ptr<Running> &run : m_running)
        run->process->waitForFinished(1000);
    // The temporary files go with their runs, and the outputs leave the register.
    m_running.clear();
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
    m_killTimer.stop();
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
    signalAll(SIGTERM);
    m_killTimer.start();
}

void BatchRunner::signalAll(int signalNumber)
{
    for (const std::unique_ptr<Running> &run : m_running) {
        if (run->group > 0)
            ::kill(-run->group, signalNumber);
    }
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
    const BatchJob &job = m_jobs[index];
    JobStatus status;
    status.state = JobState::Failed;
    if (job.arguments.isEmpty()) {
        status.failure = JobFailure::CannotCreateOutput;
        status.code = EINVAL;
        setState(index, status);
        return;
    }
    const QString &output = job.arguments.last();
    if (OutputsInWriting::shared().isBeingWritten(output, m_folder)) {
        status.failure = JobFailure::OutputBeingWritten;
        setState(index, status);
        return;
    }
    auto run = std::make_unique<Running>();
    run->index = index;
    QStringList arguments = job.arguments;
    // An output that is there is replaced where it is, through links, as a single run writes
    // it. One that is no plain file (a device such as /dev/null, a pipe) is written directly:
    // a file put in its place would take the device's name.
    const QFileInfo existing(QDir(m_folder).absoluteFilePath(output));
    if (!existing.exists() || existing.isFile()) {
        const bool replaces = existing.exists() && m_existing == ExistingOutputPolicy::Overwrite;
        // Known before the encoding: an output nobody may write is not replaced.
        struct stat info = {};
        if (replaces && ::stat(QFile::encodeName(existing.absoluteFilePath()).constData(), &info) == 0
            && (info.st_mode & 0222) == 0) {
            status.failure = JobFailure::OutputReadOnly;
            setState(index, status);
            return;
        }
        run->temporary
            = std::make_unique<TemporaryOutput>(replaces ? existing.canonicalFilePath() : existing.absoluteFilePath());
        if (!run->temporary->create(&m_leftovers)) {
            status.failure = JobFailure::CannotCreateOutput;
            status.code = run->temporary->error();
            setState(index, status);
            return;
        }
        arguments.last() = run->temporary->path();
    }
    run->claim = OutputsInWriting::shared().claim(output, m_folder);

    auto *process = new QProcess(this);
    run->process = process;
    process->setProgram(m_program);
    process->setArguments(arguments);
    process->setWorkingDirectory(m_folder);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setProcessEnvironment(m_environment);
    // A group of its own, so that a Stop reaches whatever the encoder starts, and a Ctrl+C in a
    // terminal reaches this program only, which then stops the encoders in the orderly way.
    // The encoder ends with this program however it ends, a kill included: the signal comes
    // when the thread that started it ends, so encoders are started on the main thread only.
    // A program already gone before the signal was asked for would never send it.
    Q_ASSERT_X(QThread::currentThread() == QCoreApplication::instance()->thread(), "BatchRunner",
               "encoders are started on the main thread");
    const pid_t parent = ::getpid();
    process->setChildProcessModifier([parent] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
    });

    Running *raw = run.get();
    connect(process, &QProcess::started, this, [this] {
        if (!m_encoderStarted) {
            m_encoderStarted = true;
            startMore();
        }
    });
    // Queued, as a failure to start may be reported from within start(); by then the file may
    // have ended another way.
    connect(
        process, &QProcess::errorOccurred, this,
        [this, process](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            for (const std::unique_ptr<Running> &each : m_running) {
                if (each->process == process)
                    return processFailedToStart(each.get());
            }
        },
        Qt::QueuedConnection);
    connect(process, &QProcess::readyReadStandardOutput, this, [this, raw] { readOutput(raw); });
    connect(process, &QProcess::finished, this, [this, raw](int exitCode, QProcess::ExitStatus exitStatus) {
        processFinished(raw, exitCode, exitStatus == QProcess::CrashExit);
    });
    m_running.push_back(std::move(run));
    setState(index, JobStatus{JobState::Encoding, 0, JobFailure::None, 0});

    process->start();
    if (const qint64 pid = process->processId(); pid > 0) {
        raw->group = pid_t(pid);
        // The child does the same; whichever comes first, the group is there before any signal.
        ::setpgid(raw->group, raw->group);
    }
}

void BatchRunner::processFailedToStart(Running *run)
{
    // A file whose encoder never ran waits for another start, unless the encoder could not be
    // started for it alone.
    JobStatus status;
    if (!m_stopping && m_encoderStarted) {
        status.state = JobState::Failed;
        status.failure = JobFailure::CannotStart;
    } else if (!m_stopping) {
        // The batch could not begin at all.
        m_programNotStarted = m_program;
    }
    endJob(run, status, QByteArray(), QByteArray());
}

void BatchRunner::readOutput(Running *run)
{
    const QByteArray bytes = run->process->readAll();
    const std::optional<EncoderProgress> progress = run->output.take(bytes);
    if (!progress || progress->total <= 0)
        return;
    const double fraction = double(std::min(progress->done, progress->total)) / double(progress->total);
    JobStatus &status = m_status[std::size_t(run->index)];
    if (fraction != status.progress) {
        status.progress = fraction;
        emit jobProgressed(run->index, fraction);
    }
}

void BatchRunner::processFinished(Running *run, int exitCode, bool crashed)
{
    readOutput(run);
    run->output.finish();
    // Whatever the encoder left running in its group goes with it, before its output is put
    // in place: nothing writes into the output after that.
    if (run->group > 0)
        ::kill(-run->group, SIGKILL);
    JobStatus status;
    QByteArray kept;
    if (m_stopping) {
        status.state = JobState::Stopped;
        status.progress = m_status[std::size_t(run->index)].progress;
    } else if (!crashed && exitCode == 0) {
        status = placeOutput(run);
        if (status.state == JobState::Finished)
            // Its notes and warnings only: a batch of many files keeps a little of each.
            kept = run->output.said();
        else if (status.state == JobState::Failed)
            kept = run->output.kept();
    } else {
        // The exit code of a program that died is the number of the signal that ended it.
        status.state = JobState::Failed;
        status.failure = crashed ? JobFailure::Signal : JobFailure::ExitStatus;
        status.code = exitCode;
        kept = run->output.kept();
    }
    endJob(run, status, kept, status.state == JobState::Stopped ? QByteArray() : run->output.lastSaid());
}

// The policy for existing outputs decides again now: an output may have appeared since the plan.
JobStatus BatchRunner::placeOutput(Running *run)
{
    JobStatus status{JobState::Finished, 1, JobFailure::None, 0};
    if (!run->temporary)
        return status;
    BatchJob &job = m_jobs[run->index];
    TemporaryOutput::Placed placed = TemporaryOutput::Placed::Yes;
    switch (m_existing) {
    case ExistingOutputPolicy::Overwrite: placed = run->temporary->replace(); break;
    case ExistingOutputPolicy::Skip:
        placed = run->temporary->placeNew(QDir(m_folder).absoluteFilePath(job.arguments.last()));
        if (placed == TemporaryOutput::Placed::NameTaken) {
            job.skip = SkipReason::AppearedDuringBatch;
            return JobStatus{JobState::Skipped, 0, JobFailure::None, 0};
        }
        break;
    case ExistingOutputPolicy::Number: placed = placeNumbered(run); break;
    }
    switch (placed) {
    case TemporaryOutput::Placed::Yes: return status;
    case TemporaryOutput::Placed::ReadOnly: status.failure = JobFailure::OutputReadOnly; break;
    case TemporaryOutput::Placed::NameTaken: // every numbered name was taken
    case TemporaryOutput::Placed::Failed:
        status.failure = JobFailure::CannotPlaceOutput;
        status.code = run->temporary->error() != 0 ? run->temporary->error() : EEXIST;
        break;
    }
    status.state = JobState::Failed;
    status.progress = 0;
    return status;
}

// The planned name when it is still free, else the next free one numbered as the plan numbers
// ("name (2).mp3", "name (3).mp3", ...; a planned "name (2).mp3" goes on with 3). The job then
// holds the name it got.
TemporaryOutput::Placed BatchRunner::placeNumbered(Running *run)
{
    BatchJob &job = m_jobs[run->index];
    const QString planned = job.arguments.last();
    TemporaryOutput::Placed placed = run->temporary->placeNew(QDir(m_folder).absoluteFilePath(planned));
    if (placed != TemporaryOutput::Placed::NameTaken)
        return placed;
    const qsizetype slash = planned.lastIndexOf(u'/');
    const QString name = planned.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    QString stem = name.chopped(extension.size());
    int number = 2;
    static const QRegularExpression kNumbered(QStringLiteral(" \\(([0-9]{1,6})\\)$"));
    if (const QRegularExpressionMatch match = kNumbered.match(stem); match.hasMatch()) {
        number = match.captured(1).toInt() + 1;
        stem.chop(match.capturedLength());
    }
    for (const int last = number + kMostNumbers; number < last; ++number) {
        const QString numberedName = stem + QStringLiteral(" (%1)").arg(number) + extension;
        const QString candidate = planned.left(slash + 1) + numberedName;
        if (OutputsInWriting::shared().isBeingWritten(candidate, m_folder))
            continue;
        placed = run->temporary->placeNew(QDir(m_folder).absoluteFilePath(candidate));
        if (placed != TemporaryOutput::Placed::NameTaken) {
            if (placed == TemporaryOutput::Placed::Yes) {
                job.arguments.last() = candidate;
                job.output = job.output.left(job.output.lastIndexOf(u'/') + 1) + numberedName;
            }
            return placed;
        }
    }
    return TemporaryOutput::Placed::NameTaken;
}

void BatchRunner::endJob(Running *run, const JobStatus &status, const QByteArray &keptOutput,
                         const QByteArray &lastWords)
{
    const int index = run->index;
    run->process->disconnect(this);
    run->process->deleteLater();
    const auto found = std::find_if(m_running.begin(), m_running.end(),
                                    [run](const std::unique_ptr<Running> &each) { return each.get() == run; });
    // Removes the temporary file unless it took the output's place, and the register entry.
    m_running.erase(found);
    m_keptOutput[std::size_t(index)] = keptOutput;
    m_lastWords[std::size_t(index)] = lastWords;
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
            m_killTimer.stop();
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

QByteArray BatchRunner::keptOutput(int index) const
{
    for (const std::unique_ptr<Running> &run : m_running) {
        if (run->index == index)
            return run->output.kept();
    }
    return m_keptOutput.at(std::size_t(index));
}

QString BatchRunner::lastWords(int index) const
{
    for (const std::unique_ptr<Running> &run : m_running) {
        if (run->index == index)
            return QString::fromUtf8(run->output.lastSaid());
    }
    return QString::fromUtf8(m_lastWords.at(std::size_t(index)));
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

double BatchRunner::overallProgress() const
{
    double done = 0;
    int toEncode = 0;
    for (const JobStatus &status : m_status) {
        if (status.state == JobState::Skipped)
            continue;
        ++toEncode;
        if (status.state == JobState::Encoding)
            done += status.progress;
        else if (status.state == JobState::Finished || status.state == JobState::Failed)
            done += 1;
    }
    return toEncode == 0 ? 1.0 : done / toEncode;
}

double BatchRunner::finishedShare() const
{
    double done = 0;
    int toEncode = 0;
    for (const JobStatus &status : m_status) {
        if (status.state == JobState::Skipped)
            continue;
        ++toEncode;
        if (status.state == JobState::Encoding)
            done += status.progress;
        else if (status.state == JobState::Finished)
            done += 1;
    }
    return toEncode == 0 ? 0.0 : done / toEncode;
}

} // namespace fenwave
