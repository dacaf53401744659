#pragma once

#include "batch/BatchJob.h"
#include "batch/SoundKind.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace fenwave {

// Whether an encoder reads the probed kinds (SoundRoute::Probed) itself. The encoder turns a
// file it cannot read into a short MP3 of noise and ends with status 0, so neither its status
// nor its words can tell: each kind's one-second sample is encoded, and the kind counts as
// read when the MP3 plays within 10 % of one second. The samples ship with the program
// (share/fenwave/probe). The answers are kept for the session, per encoder file (its identity,
// size and time of change); a probe that fails or cannot run means "not read". Needs the event
// loop; each kind's encoder runs at the same time as the others'.
class EncoderProbe : public QObject
{
    Q_OBJECT
public:
    // `encoder`: a path, or a name looked up on the PATH.
    EncoderProbe(const QString &encoder, const QList<SoundKind> &kinds, QObject *parent = nullptr);
    // Kills the encoders still running.
    ~EncoderProbe() override;

    // Starts the probes of the kinds not known yet; finished() follows from the event loop,
    // also when every answer was known.
    void start();
    bool isRunning() const;
    // The kinds asked about that the encoder reads, once finished.
    QList<SoundKind> readStraight() const;

signals:
    void finished();

private:
    struct Run;
    void runEnded(Run *run, bool succeeded);
    void finishIfDone();

    QString m_encoder;
    QString m_key; // of the encoder file; empty when it cannot be found
    QList<SoundKind> m_kinds;
    QList<SoundKind> m_read;
    std::vector<std::unique_ptr<Run>> m_runs;
    bool m_started = false;
    bool m_finishQueued = false;
};

// The same, waiting for the answer (the shell command). Needs a QCoreApplication.
QList<SoundKind> probeEncoder(const QString &encoder, const QList<SoundKind> &kinds);

// The probed kinds among the jobs that are not skipped, each once.
QList<SoundKind> probedKindsOf(const BatchJobs &jobs);

// The sample of a probed kind; empty when the kind has none or it is not found.
QString probeSample(SoundKind kind);

// Whether an MP3 of a one-second sample plays as one: within 10 % of it, by TagLib.
bool playsAsProbeSample(const QString &mp3);

} // namespace fenwave
