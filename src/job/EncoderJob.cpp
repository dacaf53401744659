#include "job/EncoderJob.h"

#include "job/EncoderArguments.h"
#include "options/EncoderEnvironment.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace fenwave {

namespace {

// QProcess tells why a program did not start in words only ("execvp: Argument list too long"):
// the system's text for the error, which is found again among the texts of the error numbers.
int startErrorOf(const QString &said)
{
    for (int error = 1; error < 256; ++error) {
        const QString text = qt_error_string(error);
        if (said == text || said.endsWith(QStringLiteral(": ") + text))
            return error;
    }
    return 0;
}

// The decoder starts its messages with where in it they arise ("[mov,mp4,m4a @ 0x55d1c3a0]"):
// a memory address tells the user nothing, the message itself does.
QByteArray withoutDecoderContext(const QByteArray &line)
{
    static const QRegularExpression kContext(QStringLiteral("^\\[[^\\]]* @ 0x[0-9a-fA-F]+\\] *"));
    QString text = QString::fromUtf8(line);
    text.remove(kContext);
    return text.isEmpty() ? line : text.toUtf8();
}

} // namespace

EncoderJob::EncoderJob(const QString &program, const QStringList &arguments, const QString &folder, JobOutput output,
                       QObject *parent)
    : QObject(parent), m_program(program), m_arguments(arguments), m_folder(folder), m_output(std::move(output))
{
    if (m_folder.isEmpty())
        m_folder = QDir::currentPath();
    m_killTimer.setSingleShot(true);
    m_killTimer.setInterval(kStopGraceMs);
    connect(&m_killTimer, &QTimer::timeout, this, &EncoderJob::kill);
}

EncoderJob::EncoderJob(const QString &program, const QStringList &switches, const QString &input, JobOutput output,
                       const QString &folder, QObject *parent)
    : EncoderJob(program, switches, folder, std::move(output), parent)
{
    m_input = input;
}

EncoderJob::~EncoderJob()
{
    if (!isRunning())
        return;
    for (Stage *stage : {&m_decoder, &m_encoder}) {
        if (stage->process)
            stage->process->disconnect(this);
    }
    kill();
    for (Stage *stage : {&m_decoder, &m_encoder}) {
        if (stage->process)
            stage->process->waitForFinished(1000);
    }
    m_output.settle(JobStatus{JobState::Failed, 0, JobFailure::Signal, SIGKILL}, true);
}

void EncoderJob::setDecoder(const QString &program, const QStringList &arguments, qint64 lengthMs)
{
    Q_ASSERT(!m_decoder.process && !m_encoder.process);
    m_decoder.process = newProcess(program, arguments);
    m_decoderSaid.setTotal(lengthMs * 1000);
}

QProcess *EncoderJob::newProcess(const QString &program, const QStringList &arguments)
{
    auto *process = new QProcess(this);
    process->setProgram(program);
    process->setArguments(arguments);
    process->setWorkingDirectory(m_folder);
    QProcessEnvironment environment = encoderEnvironment();
    environment.insert(QStringLiteral("TERM"), QStringLiteral("dumb"));
    process->setProcessEnvironment(environment);
    return process;
}

bool EncoderJob::start()
{
    Q_ASSERT_X(!m_encoder.process, "EncoderJob", "a job runs once");
    if (const std::optional<JobStatus> refused = m_output.prepare(m_folder)) {
        m_status = *refused;
        return false;
    }
    const QStringList arguments = !m_output.redirects() ? m_arguments
                                  : m_decoder.process   ? encoderArgumentsFromPipe(m_arguments, m_output.writtenTo())
                                                        : encoderArguments(m_arguments, m_input, m_output.writtenTo());
    m_encoder.process = newProcess(m_program, arguments);
    m_encoder.process->setProcessChannelMode(QProcess::MergedChannels);
    if (m_decoder.process) {
        m_decoder.process->setStandardInputFile(QProcess::nullDevice());
        m_decoder.process->setStandardOutputProcess(m_encoder.process);
        connect(m_decoder.process, &QProcess::readyReadStandardError, this,
                [this] { advance(m_decoderSaid.take(m_decoder.process->readAllStandardError())); });
    } else {
        m_encoder.process->setStandardInputFile(QProcess::nullDevice());
    }
    connect(m_encoder.process, &QProcess::started, this, &EncoderJob::started);
    connect(m_encoder.process, &QProcess::readyReadStandardOutput, this, &EncoderJob::outputReady);
    m_status = JobStatus{JobState::Encoding, 0, JobFailure::None, 0};
    m_stopAsked = false;
    if (m_decoder.process)
        launch(m_decoder);
    launch(m_encoder);
    return true;
}

// The first process makes the group, the others join it.
void EncoderJob::launch(Stage &stage)
{
    Q_ASSERT_X(QThread::currentThread() == QCoreApplication::instance()->thread(), "EncoderJob",
               "jobs are started on the main thread");
    QProcess *process = stage.process;
    const pid_t parent = ::getpid();
    const pid_t group = m_group;
    // A program already gone before the signal was asked for would never send it.
    process->setChildProcessModifier([parent, group] {
        if (::setpgid(0, group) != 0)
            ::_exit(126);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
    });
    // Queued, as a failure to start may be reported from within start().
    connect(
        process, &QProcess::errorOccurred, this,
        [this, &stage](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart && !stage.ended) {
                stage.startError = startErrorOf(stage.process->errorString());
                stageEnded(stage, 0, false, true);
            }
        },
        Qt::QueuedConnection);
    connect(process, &QProcess::finished, this, [this, &stage](int exitCode, QProcess::ExitStatus exitStatus) {
        if (!stage.ended)
            stageEnded(stage, exitCode, exitStatus == QProcess::CrashExit, false);
    });
    ++m_running;
    process->start();
    if (const qint64 pid = process->processId(); pid > 0) {
        if (m_group == 0)
            m_group = pid_t(pid);
        // The child does the same; whichever comes first, the group is there before any signal.
        ::setpgid(pid_t(pid), m_group);
    }
}

bool EncoderJob::waitForStarted()
{
    return m_encoder.process && m_encoder.process->waitForStarted();
}

void EncoderJob::stop()
{
    if (!isRunning() || m_stopAsked)
        return;
    m_stopAsked = true;
    signalGroup(SIGTERM);
    m_killTimer.start();
}

void EncoderJob::kill()
{
    signalGroup(SIGKILL);
}

void EncoderJob::signalGroup(int signalNumber)
{
    if (m_group > 0)
        ::kill(-m_group, signalNumber);
}

bool EncoderJob::waitForFinished(int ms)
{
    const QDeadlineTimer deadline(ms);
    for (Stage *stage : {&m_decoder, &m_encoder}) {
        if (stage->process && !stage->ended)
            stage->process->waitForFinished(int(std::max<qint64>(0, deadline.remainingTime())));
    }
    return !isRunning();
}

qint64 EncoderJob::bytesAvailable() const
{
    const bool reading = m_encoder.process && !m_encoder.ended;
    return m_unread.size() + (reading ? m_encoder.process->bytesAvailable() : 0);
}

QByteArray EncoderJob::read(qint64 most)
{
    if (!m_unread.isEmpty()) {
        const qsizetype size = most < 0 ? m_unread.size() : std::min<qsizetype>(most, m_unread.size());
        const QByteArray bytes = m_unread.left(size);
        m_unread.remove(0, size);
        return bytes;
    }
    if (!m_encoder.process || m_encoder.ended)
        return QByteArray();
    const QByteArray bytes = most < 0 ? m_encoder.process->readAll() : m_encoder.process->read(most);
    take(bytes);
    return bytes;
}

void EncoderJob::take(const QByteArray &bytes)
{
    const std::optional<EncoderProgress> progress = m_said.take(bytes);
    // In a chain the decoder tells how far the job is.
    if (!m_decoder.process)
        advance(progress);
}

void EncoderJob::advance(const std::optional<EncoderProgress> &progress)
{
    if (!progress)
        return;
    if (progress->total > 0)
        m_status.progress = double(std::min(progress->done, progress->total)) / double(progress->total);
    emit progressed(*progress);
}

void EncoderJob::stageEnded(Stage &stage, int exitCode, bool crashed, bool startFailed)
{
    stage.ended = true;
    stage.exitCode = exitCode;
    stage.crashed = crashed;
    stage.startFailed = startFailed;
    --m_running;
    if (&stage == &m_encoder) {
        // What is left of the output is read now, and kept for the one who shows it.
        const QByteArray rest = m_encoder.process->readAll();
        take(rest);
        m_unread += rest;
        const std::optional<EncoderProgress> progress = m_said.finish();
        if (progress && !m_decoder.process)
            emit progressed(*progress);
    }
    // One stage that could not start ends the others.
    if (startFailed)
        kill();
    if (m_running == 0)
        conclude();
}

// A decoder that could not write into the pipe failed because the encoder had ended: it died
// of SIGPIPE, or says so (ffmpeg ignores the signal and names the error).
bool EncoderJob::decoderLostItsReader() const
{
    if (m_decoder.crashed && m_decoder.exitCode == SIGPIPE)
        return true;
    const QByteArray said = m_decoderSaid.said();
    return said.contains("Broken pipe") || said.contains(qt_error_string(EPIPE).toUtf8());
}

// The stage whose end is the job's: the decoder when it failed, unless it failed only because
// the failed encoder no longer read; else the encoder. An encoder given nothing fails too, in
// words about its input, when the decoder is the one that failed.
const EncoderJob::Stage &EncoderJob::failedStage() const
{
    return m_decoder.failed() && !(m_encoder.failed() && decoderLostItsReader()) ? m_decoder : m_encoder;
}

void EncoderJob::conclude()
{
    m_killTimer.stop();
    if (m_decoder.process)
        m_decoderSaid.take(m_decoder.process->readAllStandardError());
    m_decoderSaid.finish();
    // Whatever the processes left running in their group goes with them, before the output
    // is put in place: nothing writes into it after that.
    kill();
    JobStatus ended{JobState::Finished, m_status.progress, JobFailure::None, 0};
    const Stage &failed = failedStage();
    if (m_encoder.startFailed || m_decoder.startFailed) {
        const Stage &notStarted = m_encoder.startFailed ? m_encoder : m_decoder;
        ended = JobStatus{JobState::Failed, 0, JobFailure::CannotStart, notStarted.startError};
    } else if (failed.failed()) {
        // The exit code of a program that died is the number of the signal that ended it.
        ended = JobStatus{JobState::Failed, m_status.progress,
                          failed.crashed          ? JobFailure::Signal
                          : &failed == &m_decoder ? JobFailure::DecoderExitStatus
                                                  : JobFailure::ExitStatus,
                          failed.exitCode};
    }
    m_status = m_output.settle(ended, m_stopAsked);
    emit finished();
}

QByteArray EncoderJob::keptOutput() const
{
    switch (m_status.state) {
    case JobState::Encoding: return m_said.kept();
    // Its notes and warnings only: a batch of many files keeps a little of each.
    case JobState::Finished: return m_said.said();
    case JobState::Failed: return m_status.failure == JobFailure::CannotStart ? QByteArray() : m_said.kept();
    default: return QByteArray();
    }
}

QByteArray EncoderJob::lastWords() const
{
    if (m_status.state == JobState::Stopped || m_status.failure == JobFailure::CannotStart)
        return QByteArray();
    const Stage &failed = failedStage();
    return &failed == &m_decoder ? withoutDecoderContext(m_decoderSaid.firstSaid()) : m_said.lastSaid();
}

} // namespace fenwave
