#include "batch/EncoderProbe.h"

#include "job/EncoderArguments.h"
#include "job/EncoderJob.h"
#include "options/SameFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <taglib/id3v2framefactory.h>
#include <taglib/mpegfile.h>
#include <taglib/tfilestream.h>

#include <algorithm>
#include <cstdlib>

#ifndef FENWAVE_PROBE_FOLDER
#define FENWAVE_PROBE_FOLDER "/usr/share/fenwave/probe"
#endif

namespace fenwave {

namespace {

// The samples, one second of a tone each, made by tools/make-probe-samples.sh. Their sizes are
// far from what one second of noise would take, read as the raw sound the encoder assumes
// (16-bit stereo at 44.1 kHz: 176,400 bytes), so that a misreading cannot pass.
struct SampleRow {
    SoundKind kind;
    const char *name;
};
const SampleRow kSamples[] = {
    {SoundKind::Flac, "probe.flac"},  {SoundKind::OggVorbis, "probe.ogg"}, {SoundKind::OggOpus, "probe.opus"},
    {SoundKind::Wave64, "probe.w64"}, {SoundKind::Rf64, "probe.rf64"},     {SoundKind::WavFloat, "probe-float.wav"},
};

constexpr qint64 kSampleMs = 1000;
constexpr qint64 kToleranceMs = kSampleMs / 10;
// An encoder that has not read one second of sound in this time will not.
constexpr int kProbeTimeoutMs = 30000;

// The answers of the session: per encoder file, per kind.
QMutex g_answersLock;
QHash<QString, QHash<int, bool>> g_answers;

std::optional<bool> knownAnswer(const QString &key, SoundKind kind)
{
    const QMutexLocker lock(&g_answersLock);
    const auto encoder = g_answers.constFind(key);
    if (encoder == g_answers.constEnd() || !encoder->contains(int(kind)))
        return std::nullopt;
    return encoder->value(int(kind));
}

void keepAnswer(const QString &key, SoundKind kind, bool read)
{
    const QMutexLocker lock(&g_answersLock);
    g_answers[key].insert(int(kind), read);
}

QString resolvedEncoder(const QString &encoder)
{
    return encoder.contains(u'/') ? encoder : QStandardPaths::findExecutable(encoder);
}

// Equal while the encoder is the same file, unchanged.
QString encoderKey(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return QString();
    return sameFileKey(path) + u'|' + QString::number(info.size()) + u'|'
           + QString::number(info.lastModified().toMSecsSinceEpoch());
}

QStringList probeFolders()
{
    QStringList folders;
    if (QCoreApplication::instance())
        folders << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/fenwave/probe");
    folders << QStringLiteral(FENWAVE_PROBE_FOLDER);
    return folders;
}

} // namespace

struct EncoderProbe::Run {
    SoundKind kind = SoundKind::NotChecked;
    EncoderJob *job = nullptr; // a child of the probe
    QString output;
    QTimer timer;
};

EncoderProbe::EncoderProbe(const QString &encoder, const QList<SoundKind> &kinds, QObject *parent)
    : QObject(parent), m_encoder(resolvedEncoder(encoder)), m_key(encoderKey(m_encoder))
{
    for (SoundKind kind : kinds) {
        if (soundRoute(kind) == SoundRoute::Probed && !m_kinds.contains(kind))
            m_kinds += kind;
    }
}

EncoderProbe::~EncoderProbe()
{
    for (const std::unique_ptr<Run> &run : m_runs) {
        run->job->disconnect(this);
        delete run->job; // kills its encoder
    }
}

void EncoderProbe::start()
{
    if (m_started)
        return;
    m_started = true;
    // One folder for the outputs of all, removed with the probe's end.
    auto folder = std::make_shared<QTemporaryDir>();
    for (SoundKind kind : std::as_const(m_kinds)) {
        if (const std::optional<bool> known = m_key.isEmpty() ? std::optional<bool>(false) : knownAnswer(m_key, kind)) {
            if (*known)
                m_read += kind;
            continue;
        }
        const QString sample = probeSample(kind);
        if (sample.isEmpty() || !folder->isValid()) {
            keepAnswer(m_key, kind, false);
            continue;
        }
        auto run = std::make_unique<Run>();
        run->kind = kind;
        run->output = folder->filePath(QStringLiteral("probe-%1.mp3").arg(int(kind)));
        run->job = new EncoderJob(m_encoder, encoderArguments({QStringLiteral("--quiet")}, sample, run->output),
                                  folder->path(), JobOutput::inPlace(run->output), this);
        Run *raw = run.get();
        // A program that cannot start ends its job from the event loop, as any other end.
        connect(run->job, &EncoderJob::finished, this,
                [this, raw, folder] { runEnded(raw, raw->job->status().state == JobState::Finished); });
        if (!run->job->start()) {
            delete run->job;
            keepAnswer(m_key, kind, false);
            continue;
        }
        run->timer.setSingleShot(true);
        connect(&run->timer, &QTimer::timeout, run->job, &EncoderJob::kill);
        run->timer.start(kProbeTimeoutMs);
        m_runs.push_back(std::move(run));
    }
    finishIfDone();
}

void EncoderProbe::runEnded(Run *run, bool succeeded)
{
    const auto found = std::find_if(m_runs.begin(), m_runs.end(),
                                    [run](const std::unique_ptr<Run> &each) { return each.get() == run; });
    if (found == m_runs.end())
        return;
    const bool read = succeeded && playsAsProbeSample(run->output);
    keepAnswer(m_key, run->kind, read);
    if (read)
        m_read += run->kind;
    run->job->disconnect(this);
    run->job->deleteLater();
    m_runs.erase(found);
    finishIfDone();
}

void EncoderProbe::finishIfDone()
{
    if (!m_runs.empty() || m_finishQueued)
        return;
    m_finishQueued = true;
    QMetaObject::invokeMethod(this, &EncoderProbe::finished, Qt::QueuedConnection);
}

bool EncoderProbe::isRunning() const
{
    return !m_runs.empty();
}

QList<SoundKind> EncoderProbe::readStraight() const
{
    return m_read;
}

QList<SoundKind> probeEncoder(const QString &encoder, const QList<SoundKind> &kinds)
{
    EncoderProbe probe(encoder, kinds);
    QEventLoop loop;
    QObject::connect(&probe, &EncoderProbe::finished, &loop, &QEventLoop::quit);
    probe.start();
    loop.exec();
    return probe.readStraight();
}

QList<SoundKind> probedKindsOf(const BatchJobs &jobs)
{
    QList<SoundKind> kinds;
    for (const BatchJob &job : jobs) {
        if (!job.skipped() && soundRoute(job.kind) == SoundRoute::Probed && !kinds.contains(job.kind))
            kinds += job.kind;
    }
    return kinds;
}

QString probeSample(SoundKind kind)
{
    const auto row
        = std::find_if(std::begin(kSamples), std::end(kSamples), [kind](const SampleRow &r) { return r.kind == kind; });
    if (row == std::end(kSamples))
        return QString();
    for (const QString &folder : probeFolders()) {
        const QString path = QDir::cleanPath(folder + u'/' + QLatin1String(row->name));
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

bool playsAsProbeSample(const QString &mp3)
{
    const QByteArray name = QFile::encodeName(mp3);
    if (!QFileInfo(mp3).isFile())
        return false;
    TagLib::FileStream stream(name.constData(), true); // only read: opened by name, TagLib asks for writing
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), true, TagLib::AudioProperties::Accurate);
    const TagLib::AudioProperties *properties = file.isValid() ? file.audioProperties() : nullptr;
    return properties && std::abs(qint64(properties->lengthInMilliseconds()) - kSampleMs) <= kToleranceMs;
}

} // namespace fenwave
