#include "job/JobOutput.h"

#include "options/OutputName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>

namespace fenwave {

namespace {

// How many numbered names a file done tries when its output appeared meanwhile.
constexpr int kMostNumbers = 1000;
// How often a file done that updates looks again at an output that keeps appearing and going.
constexpr int kMostLooks = 3;

// A dangling link is there too: writing through it would create a file elsewhere.
bool isThere(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A plain file, or a link to one: an output that a policy may replace.
bool isPlainFile(const QString &path)
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

JobStatus failed(JobFailure failure, int code = 0)
{
    return JobStatus{JobState::Failed, 0, failure, code};
}

} // namespace

JobOutput JobOutput::inPlace(const QString &name)
{
    return JobOutput(Mode::InPlace, name);
}

JobOutput JobOutput::throughTemporary(const QString &name, ExistingOutputPolicy existing, const QString &input,
                                      LeftoverTemporaries *leftovers)
{
    JobOutput output(Mode::Temporary, name);
    output.m_existing = existing;
    output.m_input = input;
    output.m_leftovers = leftovers;
    return output;
}

QString JobOutput::absolute(const QString &name) const
{
    return QDir(m_folder).absoluteFilePath(name);
}

std::optional<JobStatus> JobOutput::prepare(const QString &folder)
{
    m_folder = folder;
    m_incomplete = false;
    if (m_mode == Mode::InPlace) {
        m_existed = !m_name.isEmpty() && isThere(absolute(m_name));
        m_claim = OutputsInWriting::shared().claim(m_name, m_folder);
        return std::nullopt;
    }
    if (OutputsInWriting::shared().isBeingWritten(m_name, m_folder))
        return failed(JobFailure::OutputBeingWritten);
    if (m_existing == ExistingOutputPolicy::Update)
        m_inputAtStart = modificationTime(absolute(m_input));
    // An output that is there is replaced where it is, through links, as a single run writes
    // it. Every output name of a batch is made from an input's, so an entry there that is no
    // plain file (a folder, a pipe, a link to a device or to nothing) is one that a user or
    // another program put there: it is never written through, and never replaced.
    const QFileInfo existing(absolute(m_name));
    const bool update = m_existing == ExistingOutputPolicy::Update;
    const bool replacing = m_existing == ExistingOutputPolicy::Overwrite || update;
    const bool plain = isPlainFile(existing.absoluteFilePath());
    if (replacing && !plain && isThere(existing.absoluteFilePath()))
        return failed(JobFailure::OutputNotRegular);
    // Known before the encoding: an output nobody may write is not replaced (one that is up to
    // date now is left to the decision when the file is done).
    const bool replaces = replacing && plain;
    struct stat info = {};
    if (replaces && !(update && upToDate())
        && ::stat(QFile::encodeName(existing.absoluteFilePath()).constData(), &info) == 0 && (info.st_mode & 0222) == 0)
        return failed(JobFailure::OutputReadOnly);
    // Skip and number leave an entry there to the moment the file is done, as one that appears.
    m_temporary
        = std::make_unique<TemporaryOutput>(replaces ? existing.canonicalFilePath() : existing.absoluteFilePath());
    if (!m_temporary->create(m_leftovers))
        return failed(JobFailure::CannotCreateOutput, m_temporary->error());
    m_claim = OutputsInWriting::shared().claim(m_name, m_folder);
    return std::nullopt;
}

QString JobOutput::writtenTo() const
{
    return m_temporary ? m_temporary->path() : m_name;
}

JobStatus JobOutput::settle(JobStatus ended, bool stopped)
{
    const bool completed = ended.state == JobState::Finished;
    if (m_mode == Mode::InPlace) {
        if (stopped && !completed && !m_name.isEmpty()) {
            if (!m_existed)
                QFile::remove(absolute(m_name));
            m_incomplete = isThere(absolute(m_name));
        }
    } else if (stopped) {
        ended.state = JobState::Stopped;
        ended.failure = JobFailure::None;
        ended.code = 0;
    } else if (completed) {
        ended = place();
    }
    m_temporary.reset(); // removed unless it took the output's place
    m_claim.release();
    return ended;
}

// The policy for existing outputs decides again now: an output may have appeared since the plan.
JobStatus JobOutput::place()
{
    TemporaryOutput::Placed placed = TemporaryOutput::Placed::Yes;
    switch (m_existing) {
    case ExistingOutputPolicy::Overwrite: placed = m_temporary->replace(); break;
    case ExistingOutputPolicy::Skip:
        placed = m_temporary->placeNew(absolute(m_name));
        if (placed == TemporaryOutput::Placed::NameTaken)
            return JobStatus{JobState::Skipped, 0, JobFailure::None, 0};
        break;
    case ExistingOutputPolicy::Number: placed = placeNumbered(); break;
    case ExistingOutputPolicy::Update:
        dateBackIfInputChanged();
        placed = placeUnlessUpToDate();
        if (placed == TemporaryOutput::Placed::NameTaken)
            return JobStatus{JobState::Skipped, 0, JobFailure::None, 0};
        break;
    }
    switch (placed) {
    case TemporaryOutput::Placed::Yes: return JobStatus{JobState::Finished, 1, JobFailure::None, 0};
    case TemporaryOutput::Placed::ReadOnly: return failed(JobFailure::OutputReadOnly);
    case TemporaryOutput::Placed::NotRegular: return failed(JobFailure::OutputNotRegular);
    case TemporaryOutput::Placed::NameTaken: // every numbered name was taken
    case TemporaryOutput::Placed::Failed: break;
    }
    return failed(JobFailure::CannotPlaceOutput, m_temporary->error() != 0 ? m_temporary->error() : EEXIST);
}

// The planned name when it is still free, else the next free one numbered as the plan numbers
// ("name (2).mp3", "name (3).mp3", ...; a planned "name (2).mp3" goes on with 3). The output
// then holds the name it got.
TemporaryOutput::Placed JobOutput::placeNumbered()
{
    TemporaryOutput::Placed placed = m_temporary->placeNew(absolute(m_name));
    if (placed != TemporaryOutput::Placed::NameTaken)
        return placed;
    const qsizetype slash = m_name.lastIndexOf(u'/');
    const QString name = m_name.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    QString stem = name.chopped(extension.size());
    int number = 2;
    if (const std::optional<NumberedStem> numbered = numberedStem(stem)) {
        number = numbered->number + 1;
        stem = numbered->stem;
    }
    for (const int last = number + kMostNumbers; number < last; ++number) {
        const QString candidate = m_name.left(slash + 1) + stem + QStringLiteral(" (%1)").arg(number) + extension;
        if (OutputsInWriting::shared().isBeingWritten(candidate, m_folder))
            continue;
        placed = m_temporary->placeNew(absolute(candidate));
        if (placed != TemporaryOutput::Placed::NameTaken) {
            if (placed == TemporaryOutput::Placed::Yes)
                m_name = candidate;
            return placed;
        }
    }
    return TemporaryOutput::Placed::NameTaken;
}

bool JobOutput::upToDate() const
{
    return outputIsUpToDate(modificationTime(absolute(m_name)), modificationTime(absolute(m_input)));
}

// An input that changed while it was read may have given only part of its sound (a file still
// being copied into the library): the output is dated just before the input's time now, so that
// the next run that updates encodes it again. A file system that keeps coarser times rounds
// that down, still before.
void JobOutput::dateBackIfInputChanged()
{
    const std::optional<FileTime> now = modificationTime(absolute(m_input));
    if (!m_inputAtStart || !now || *now == *m_inputAtStart)
        return;
    FileTime before = *now;
    if (before.nanoseconds > 0) {
        --before.nanoseconds;
    } else {
        --before.seconds;
        before.nanoseconds = 999999999;
    }
    m_temporary->dateOnceInPlace(before);
}

// Replaces only an output still older than the input: one made or changed since the plan that
// is no older stays (NameTaken). Only a plain file has an age; anything else there is kept, as
// replace() keeps it. Where nothing is, the file takes the name only while it is free, and one
// that appears in that moment is looked at again, a few times.
TemporaryOutput::Placed JobOutput::placeUnlessUpToDate()
{
    for (int look = 0; look < kMostLooks; ++look) {
        if (upToDate())
            return TemporaryOutput::Placed::NameTaken;
        if (isThere(absolute(m_name)))
            return m_temporary->replace();
        const TemporaryOutput::Placed placed = m_temporary->placeNew(absolute(m_name));
        if (placed != TemporaryOutput::Placed::NameTaken)
            return placed;
    }
    return TemporaryOutput::Placed::Failed; // the name kept being taken and freed: nothing placed
}

} // namespace fenwave
