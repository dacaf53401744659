#include "batch/BatchPlan.h"

#include "batch/FolderScan.h"
#include "options/CommandLine.h"
#include "options/OutputName.h"
#include "tags/NamePattern.h"
#include "tags/TagSwitches.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace fenwave {

namespace {

bool composesShortForm(const OptionSet &options)
{
    return options.isOn(Field::flgDefault);
}

// The name of the folder a file was found in, as the mirrored layout shows it: the last part
// of its text, or of its absolute path when the text ends in "." or "..".
QString folderName(const QString &folder)
{
    const QString cleaned = QDir::cleanPath(folder);
    QString name = cleaned.section(QLatin1Char('/'), -1);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name = QDir::cleanPath(QDir(cleaned).absolutePath()).section(QLatin1Char('/'), -1);
    return name;
}

// The input's path below the folder it was found in, or nothing when it is not below it.
QString pathBelow(const QString &path, const QString &folder)
{
    if (folder.isEmpty())
        return QString();
    const QString prefix = pathInFolder(folder, QString());
    if (path.startsWith(prefix) && path.size() > prefix.size())
        return path.mid(prefix.size());
    const QString relative = QDir(folder).relativeFilePath(path);
    if (relative.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(relative))
        return QString();
    return relative;
}

QString fileNamePart(const QString &path)
{
    return path.section(QLatin1Char('/'), -1);
}

// The first output name an input would get, before conflicts; empty when it names no file.
QString firstOutputName(const BatchInput &input, const QString &outputFolder, const QString &extension)
{
    if (outputFolder.isEmpty())
        return proposeOutputName(input.path, extension);
    const QString below = pathBelow(input.path, input.folder);
    if (below.isEmpty()) {
        const QString name = fileNamePart(proposeOutputName(input.path, extension));
        return name.isEmpty() ? QString() : pathInFolder(outputFolder, name);
    }
    const QString proposed = proposeOutputName(below, extension);
    if (proposed.isEmpty())
        return QString();
    const QString name = folderName(input.folder);
    const QString mirror = name.isEmpty() ? outputFolder : pathInFolder(outputFolder, name);
    return pathInFolder(mirror, proposed);
}

// The folder part of a relative path: "" for a name alone.
QString foldersOf(const QString &relativePath)
{
    return relativePath.section(QLatin1Char('/'), 0, -2);
}

// The deepest folder that holds every file given alone (not found in a given folder).
QString folderOfFilesGivenAlone(const std::vector<BatchInput> &inputs)
{
    std::optional<QStringList> common;
    for (const BatchInput &input : inputs) {
        if (!input.folder.isEmpty() || input.skip != SkipReason::None)
            continue;
        const QStringList parts = QDir::cleanPath(QFileInfo(input.path).absolutePath()).split(QLatin1Char('/'));
        if (!common) {
            common = parts;
            continue;
        }
        qsizetype same = 0;
        while (same < common->size() && same < parts.size() && common->at(same) == parts[same])
            ++same;
        common->resize(same);
    }
    const QString folder = common ? common->join(QLatin1Char('/')) : QString();
    return common && folder.isEmpty() ? QStringLiteral("/") : folder;
}

// The folders below the output folder that an output gets without a pattern, as the mirrored
// layout makes them, except that files given alone keep theirs below `aloneFolder`.
QString mirroredFolders(const BatchInput &input, const QString &aloneFolder)
{
    if (input.folder.isEmpty())
        return foldersOf(pathBelow(QDir::cleanPath(QFileInfo(input.path).absoluteFilePath()), aloneFolder));
    const QString below = pathBelow(input.path, input.folder);
    if (below.isEmpty())
        return QString();
    QStringList folders{folderName(input.folder), foldersOf(below)};
    folders.removeAll(QString());
    return folders.join(QLatin1Char('/'));
}

QString numbered(const QString &name, const QString &extension, int number)
{
    return name.chopped(extension.size()) + QStringLiteral(" (%1)").arg(number) + extension;
}

// The name a numbered output was numbered from ("x (2).mp3": "x.mp3"); empty for any other name.
QString unnumbered(const QString &name, const QString &extension)
{
    if (!name.endsWith(extension))
        return QString();
    const std::optional<NumberedStem> numbered = numberedStem(QStringView(name).chopped(extension.size()));
    return numbered ? numbered->stem + extension : QString();
}

// The switches every job shares: the box's form, without the per-file fields, and without the
// page's tag fields, which each job meets with its file's own tags (fileTagRules).
QStringList sharedSwitches(OptionSet options)
{
    for (Field field : {Field::edtSongName, Field::edtTrackNumber})
        options.setText(field, QString());
    for (Field field : filledPageTagFields(options))
        options.setText(field, QString());
    return composeSwitches(options, composesShortForm(options) ? CommandForm::Short : CommandForm::Full);
}

class Planner
{
public:
    Planner(const BatchRequest &request, const BatchFileFacts &facts)
        : m_request(request), m_facts(facts), m_extension(batchOutputExtension(request.options)),
          m_patternReadsTags(patternReadsTags(request.namePattern)),
          m_aloneFolder(request.namePattern.isEmpty() ? QString() : folderOfFilesGivenAlone(request.inputs))
    {
        const qsizetype count = qsizetype(request.inputs.size());
        m_inputIdentities.reserve(count);
        m_drafts.reserve(count);
        m_draftIdentities.reserve(count);
        for (const BatchInput &input : request.inputs) {
            m_inputIdentities += facts.identity(input.path);
            m_drafts += draft(input);
            const QString &output = m_drafts.back().output;
            m_draftIdentities += output.isEmpty() ? QString() : facts.identity(output);
        }
        findOutputsOfOthers();
        for (qsizetype i = 0; i < count; ++i) {
            if (request.inputs[std::size_t(i)].skip == SkipReason::None && writerOf(i) < 0)
                m_allInputs.insert(m_inputIdentities[i]);
        }
    }

    // The input whose job writes this one's file, which then is no input of its own and gets no
    // job; -1 for an input of its own.
    qsizetype writerOf(qsizetype index) const { return m_writerOf[std::size_t(index)]; }

    BatchJob plan(qsizetype index)
    {
        BatchJob job = m_drafts[index];
        if (!job.skipped())
            job.skip = settle(job.output, m_draftIdentities[index], job.input, m_inputIdentities[index]);
        return job;
    }

private:
    // The job before its output is settled: the first name it would get, or why it gets none.
    BatchJob draft(const BatchInput &input) const
    {
        BatchJob job;
        job.input = input.path;
        if (input.skip != SkipReason::None) {
            job.skip = input.skip;
            return job;
        }
        job.output = firstOutputName(input, m_request.outputFolder, m_extension);
        if (!job.output.isEmpty()) {
            // Checked before any output is settled: a file left out takes no name from another.
            route(job, input);
            if (job.skipped()) {
                job.output.clear();
                return job;
            }
            if (!m_request.namePattern.isEmpty())
                job.output = patternedOutput(input, job.kind);
        }
        return job;
    }

    // A file found in a folder under the name another input's job writes (its first name, or
    // that name numbered) is what an earlier run of the batch wrote: that job's existing
    // output, for the policy to decide, never an input of its own. A file named alone stays an
    // input, and is told as the other's output.
    void findOutputsOfOthers()
    {
        m_writerOf.assign(m_request.inputs.size(), -1);
        QHash<QString, qsizetype> writers; // the first input to write each output
        for (qsizetype i = 0; i < m_drafts.size(); ++i) {
            if (!m_drafts[i].skipped() && !m_draftIdentities[i].isEmpty()
                && m_draftIdentities[i] != m_inputIdentities[i] && !writers.contains(m_draftIdentities[i]))
                writers.insert(m_draftIdentities[i], i);
        }
        if (writers.isEmpty())
            return;
        const auto writer = [&writers](const QString &identity, qsizetype index) {
            const qsizetype found = identity.isEmpty() ? -1 : writers.value(identity, -1);
            return found == index ? -1 : found;
        };
        for (qsizetype i = 0; i < m_drafts.size(); ++i) {
            const BatchInput &input = m_request.inputs[std::size_t(i)];
            if (input.folder.isEmpty() || input.skip != SkipReason::None)
                continue;
            m_writerOf[std::size_t(i)] = writer(m_inputIdentities[i], i);
            const QString first = unnumbered(input.path, m_extension);
            if (m_writerOf[std::size_t(i)] < 0 && !first.isEmpty())
                m_writerOf[std::size_t(i)] = writer(m_facts.identity(first), i);
        }
    }

    // The tags are read only for a pattern that names them: a plan is made again and again
    // while the list is edited. A file whose tags lack what the pattern's folders name keeps
    // its place: beside its input, or the folders it would get without a pattern.
    QString patternedOutput(const BatchInput &input, SoundKind kind) const
    {
        const bool beside = m_request.outputFolder.isEmpty();
        const QString folder = beside ? QFileInfo(input.path).path() : m_request.outputFolder;
        const SourceTags tags = m_patternReadsTags ? readSourceTags(input.path, kind) : SourceTags();
        const QString kept = beside ? QString() : mirroredFolders(input, m_aloneFolder);
        return pathInFolder(folder, nameFromPattern(m_request.namePattern, tags, input.path, m_extension, kept));
    }

    // What the input holds, and the way it reaches the encoder, or why there is none. A FIFO or a
    // device is never read under any input type (RAW PCM takes anything): it could block or never end.
    void route(BatchJob &job, const BatchInput &input) const
    {
        if (!readsAsWave(m_request.options)) {
            job.kind = input.format ? input.format->kind : m_facts.soundKind(job.input);
            job.skip = job.kind == SoundKind::NotRegular ? SkipReason::NotRegularFile
                                                         : skipForKind(kindRefusal(m_request.options, job.kind));
            return;
        }
        // The check made as the folder was listed is not made again.
        const SoundFormat format = input.format ? *input.format : m_facts.soundFormat(job.input);
        job.kind = format.kind;
        job.channels = format.channels;
        if (format.kind == SoundKind::NotRegular) {
            job.skip = SkipReason::NotRegularFile;
            return;
        }
        const FileRoute route = routeFor(format, m_request.routes);
        job.skip = route.skip;
        if (route.decoded)
            job.decoder = decoderCommand(m_request.routes.decoder, job.input, format.channels);
    }

    static SkipReason skipForKind(KindRefusal refusal)
    {
        switch (refusal) {
        case KindRefusal::None: break;
        case KindRefusal::NotSound: return SkipReason::NotSound;
        case KindRefusal::NotRead: return SkipReason::KindNotRead;
        case KindRefusal::WrongInputType: return SkipReason::KindNotOfInputType;
        }
        return SkipReason::None;
    }

    // Finds the output a job gets, numbering it where needed; the reason when it gets none.
    SkipReason settle(QString &output, QString identity, const QString &input, const QString &inputIdentity)
    {
        if (output.isEmpty())
            return SkipReason::InputNamesNoFile;
        if (identity == inputIdentity)
            return SkipReason::OutputIsInput;
        if (m_allInputs.contains(identity))
            return SkipReason::OutputIsAnotherInput;
        const QString first = output;
        for (int number = 2;; ++number) {
            const bool free = !m_taken.contains(identity) && !m_allInputs.contains(identity);
            if (free && !m_facts.exists(output))
                break;
            if (free && m_request.existing == ExistingOutputPolicy::Overwrite)
                break;
            if (free && m_request.existing == ExistingOutputPolicy::Skip)
                return SkipReason::OutputExists;
            if (free && m_request.existing == ExistingOutputPolicy::Update) {
                // An output kept as up to date still holds its name, so that a batch run again
                // gives every later file the name it got the first time.
                m_taken.insert(identity);
                if (outputIsUpToDate(m_facts.modified(output), m_facts.modified(input)))
                    return SkipReason::OutputUpToDate;
                break;
            }
            output = numbered(first, m_extension, number);
            identity = m_facts.identity(output);
        }
        m_taken.insert(identity);
        return SkipReason::None;
    }

    const BatchRequest &m_request;
    const BatchFileFacts &m_facts;
    const QString m_extension;
    const bool m_patternReadsTags;
    const QString m_aloneFolder; // of the files given alone, below which they keep their folders
    QStringList m_inputIdentities;
    BatchJobs m_drafts;
    QStringList m_draftIdentities; // of each draft's output; empty without one
    std::vector<qsizetype> m_writerOf;
    QSet<QString> m_allInputs;
    QSet<QString> m_taken;
};

} // namespace

QString batchOutputExtension(const OptionSet &options)
{
    // Only the full form carries " --decode" and " --ogg"; decoding wins, as the encoder then
    // writes the decoded sound whatever else is asked.
    if (composesShortForm(options))
        return QStringLiteral(".mp3");
    if (options.isOn(Field::flgMP3Decode))
        return QStringLiteral(".wav");
    if (options.isOn(Field::flgVorbis))
        return QStringLiteral(".ogg");
    return QStringLiteral(".mp3");
}

BatchJobs planBatch(const BatchRequest &request, const BatchFileFacts &facts)
{
    JobInputs jobInputs;
    return planBatch(request, facts, jobInputs);
}

BatchJobs planBatch(const BatchRequest &request, const BatchFileFacts &facts, JobInputs &jobInputs)
{
    const QStringList switches = sharedSwitches(request.options);
    const FileTagRules tagRules = fileTagRules(request.options, request.pageTags);
    Planner planner(request, facts);
    const qsizetype count = qsizetype(request.inputs.size());
    BatchJobs jobs;
    jobs.reserve(count);
    jobInputs.inputOfJob.clear();
    jobInputs.jobOfInput.fill(-1, count);
    for (qsizetype i = 0; i < count; ++i) {
        if (planner.writerOf(i) >= 0)
            continue;
        jobInputs.jobOfInput[i] = jobs.size();
        jobInputs.inputOfJob += i;
        BatchJob job = planner.plan(i);
        if (!job.skipped()) {
            const QString inputSwitch = job.decoder.isEmpty() ? mpegInputSwitch(job.kind) : QString();
            job.switches
                = (inputSwitch.isEmpty() || !readsAsWave(request.options) ? QStringList() : QStringList{inputSwitch})
                  + switches;
            job.tagRules = tagRules;
        }
        jobs.push_back(std::move(job));
    }
    for (qsizetype i = 0; i < count; ++i) {
        if (const qsizetype writer = planner.writerOf(i); writer >= 0)
            jobInputs.jobOfInput[i] = jobInputs.jobOfInput[writer];
    }
    return jobs;
}

QList<Field> perFileFieldsLeftOut(const OptionSet &options)
{
    QList<Field> leftOut;
    if (composesShortForm(options))
        return leftOut;
    for (Field field : {Field::edtSongName, Field::edtTrackNumber}) {
        if (!trimBelow33(options.text(field)).isEmpty())
            leftOut += field;
    }
    return leftOut;
}

bool commandBoxHoldsHandEdit(const OptionSet &options)
{
    // A fresh window shows an empty box until its first change: nothing was edited.
    if (options.text(Field::edtCommandLine).isEmpty())
        return false;
    const QString composed
        = composesShortForm(options) ? composeShortCommandLine(options) : composeFullCommandLine(options);
    return options.text(Field::edtCommandLine) != composed;
}

} // namespace fenwave
