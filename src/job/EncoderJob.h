#pragma once

#include "job/EncoderOutput.h"
#include "job/JobOutput.h"
#include "job/JobStatus.h"

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <sys/types.h>

namespace fenwave {

// One encoder run from its start to its result. The encoder is started directly (no shell) in
// the job's folder, with nothing on its standard input (or, in a chain, the decoder's output),
// its output and errors merged and TERM=dumb, so that its progress lines come without cursor
// codes. A chain is a decoder whose standard output is the encoder's input; its errors are kept
// apart. Every process of the job is in one process group of its own, so that a stop reaches
// whatever they started and a Ctrl+C in a terminal reaches this program only; and they end
// with this program however it ends (the parent-death signal comes when the thread that
// started them ends, so jobs are started on the main thread only). The output is read once,
// by a bounded reader, for progress and for the end that is kept. Needs the event loop and
// nothing of a window.
class EncoderJob : public QObject
{
    Q_OBJECT
public:
    // How long processes asked to stop may take before they are killed.
    static constexpr int kStopGraceMs = 3000;

    // A run of a command the user wrote: `arguments` exactly as they are.
    EncoderJob(const QString &program, const QStringList &arguments, const QString &folder, JobOutput output,
               QObject *parent = nullptr);
    // A file of a batch: `switches`, `input`, then the name `output` gives the encoder to write.
    EncoderJob(const QString &program, const QStringList &switches, const QString &input, JobOutput output,
               const QString &folder, QObject *parent = nullptr);
    // Kills what still runs (waiting a bounded time), settles the output as stopped.
    ~EncoderJob() override;

    // Makes the job a chain: `program` with `arguments` decodes into the encoder's input, which
    // reads it as "-". Its progress then comes from the decoder's report lines, against the
    // source's length `lengthMs` (0: not known); the encoder says none on a pipe.
    void setDecoder(const QString &program, const QStringList &arguments, qint64 lengthMs = 0);

    // Prepares the output and starts the processes. false when the output forbids the start:
    // status() says why, and finished() does not come. A program that cannot be started ends
    // the job with JobFailure::CannotStart, from the event loop.
    bool start();
    // For a caller that must know at once: true when the encoder is running.
    bool waitForStarted();
    // Asks every process of the job to end (SIGTERM to the group), and kills the group when
    // it has not ended after kStopGraceMs. Never waits.
    void stop();
    // Kills the group now.
    void kill();
    // Waits up to `ms` for the job to end; true when it has.
    bool waitForFinished(int ms);

    bool isRunning() const { return m_running > 0; }
    bool isStopping() const { return m_stopAsked && isRunning(); }
    const JobStatus &status() const { return m_status; }
    const JobOutput &output() const { return m_output; }

    qint64 bytesAvailable() const;
    // The output not read yet, up to `most` bytes (all of it when negative). Every byte read
    // passes the job's reader, for progress and the kept end.
    QByteArray read(qint64 most = -1);
    // What the encoder wrote: the last 64 KiB while it runs and when it failed; the lines that
    // say something (its notes and warnings) when it finished; nothing otherwise.
    QByteArray keptOutput() const;
    // The last line that says something ("Can't init outfile 'x.mp3'"): the encoder's, or the
    // decoder's first when the decoder failed (unless only for want of a reader after the
    // encoder had failed). Empty for a stopped job.
    QByteArray lastWords() const;

signals:
    void started();
    // Output is there to read().
    void outputReady();
    // A progress line came; status().progress holds how far, 0..1, when the total is known.
    void progressed(const EncoderProgress &progress);
    // The job has ended; status() holds the result.
    void finished();

private:
    struct Stage {
        QProcess *process = nullptr;
        bool ended = false;
        bool startFailed = false;
        int startError = 0; // the errno of a start that failed, 0 when not known
        int exitCode = 0;
        bool crashed = false;
        bool failed() const { return process && (startFailed || crashed || exitCode != 0); }
    };

    QProcess *newProcess(const QString &program, const QStringList &arguments);
    void launch(Stage &stage);
    void take(const QByteArray &bytes);
    void advance(const std::optional<EncoderProgress> &progress);
    void stageEnded(Stage &stage, int exitCode, bool crashed, bool startFailed);
    bool decoderLostItsReader() const;
    const Stage &failedStage() const;
    void conclude();
    void signalGroup(int signalNumber);

    QString m_program;
    QStringList m_arguments; // the switches alone when the output redirects
    QString m_input;
    QString m_folder;
    JobOutput m_output;
    Stage m_encoder;
    Stage m_decoder; // no process: no chain
    pid_t m_group = 0;
    int m_running = 0; // processes started and not ended
    bool m_stopAsked = false;
    JobStatus m_status;
    EncoderOutput m_said; // the encoder's
    QByteArray m_unread;  // read from the encoder at its end, not yet taken
    QTimer m_killTimer;
    // The decoder's errors and its progress report.
    EncoderOutput m_decoderSaid{EncoderOutput::Speaker::Decoder};
};

} // namespace fenwave
