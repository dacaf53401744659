#include "app/ShellEncode.h"

#include "batch/ClockText.h"
#include "ProgramIdentity.h"
#include "batch/BatchPlan.h"
#include "batch/BatchRunner.h"
#include "batch/EncoderProbe.h"
#include "batch/GatherInputs.h"
#include "batch/ShellQuoting.h"
#include "app/TerminationWatcher.h"
#include "batch/SoundKind.h"
#include "batch/SoundRoute.h"
#include "job/EncoderArguments.h"
#include "job/JobStatusText.h"
#include "language/MessageTexts.h"
#include "settings/IniDocument.h"
#include "settings/Preferences.h"
#include "settings/SettingsFileSniff.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsRestore.h"
#include "settings/UserStore.h"
#include "tags/JobTags.h"
#include "tags/NamePattern.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <unistd.h>

namespace fenwave {

namespace {

// Progress on a terminal is redrawn at most this often.
constexpr qint64 kProgressIntervalMs = 200;

QString programName()
{
    return QString::fromLatin1(kProgramName);
}

// Why the command stops before any file starts; it then ends with kEncodeSetupError.
struct SetupError {
    QString message;
};

// The per-user store as it is, read without creating or changing anything in it.
Preferences storedPreferences()
{
    UserStore store;
    if (!store.open())
        return {};
    return readPreferences(store);
}

// The options of the settings file restored as the window restores them, or the start values.
std::optional<SetupError> restoreOptions(const QString &settingsFile, Language language, OptionSet &options)
{
    if (settingsFile.isEmpty())
        return std::nullopt;
    const QFileInfo info(settingsFile);
    bool readable = false;
    const IniDocument doc = IniDocument::load(settingsFile, &readable);
    if (!readable) {
        if (!info.exists())
            return SetupError{QStringLiteral("the settings file %1 does not exist").arg(settingsFile)};
        if (info.isFile() && info.size() > IniDocument::kMaxFileSize)
            return SetupError{QStringLiteral("the settings file %1 is larger than %2 MiB")
                                  .arg(settingsFile)
                                  .arg(IniDocument::kMaxFileSize / (1024 * 1024))};
        return SetupError{QStringLiteral("the settings file %1 cannot be read").arg(settingsFile)};
    }
    const QString section = QString::fromLatin1(kSettingsSection);
    if (!doc.hasSection(section))
        return SetupError{
            QStringLiteral("%1 is no settings file: it holds no section [%2]").arg(settingsFile, section)};
    options = restoreWithoutWindow(doc, options, language);
    return std::nullopt;
}

// The encoder: the settings file's path, else the stored one, else "lame" on the PATH. A name
// without "/" is looked up on the PATH, as the system would start it.
std::optional<QString> findEncoder(const OptionSet &options, const Preferences &stored)
{
    QString wanted = options.text(Field::LamePath);
    if (wanted.isEmpty())
        wanted = stored.lamePath;
    if (wanted.isEmpty())
        wanted = QStringLiteral("lame");
    if (!wanted.contains(u'/')) {
        const QString found = QStandardPaths::findExecutable(wanted);
        return found.isEmpty() ? std::nullopt : std::optional<QString>(found);
    }
    const QFileInfo info(wanted);
    if (info.isFile() && info.isExecutable())
        return wanted;
    return std::nullopt;
}

QString encoderNotFound(const OptionSet &options, const Preferences &stored)
{
    if (!options.text(Field::LamePath).isEmpty())
        return QStringLiteral("the encoder %1 named by the settings file cannot be run")
            .arg(options.text(Field::LamePath));
    if (!stored.lamePath.isEmpty())
        return QStringLiteral("the stored encoder %1 cannot be run").arg(stored.lamePath);
    return QStringLiteral("no encoder: \"lame\" is not on the PATH and no encoder path is stored");
}

bool writableFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

// The output folder is made before anything starts, its own folder must exist already: a
// mistyped name makes no new tree. A dry run only checks that it could be made. `folder` is
// absolute, `shown` as the user gave it.
std::optional<SetupError> prepareOutputFolder(const QString &folder, const QString &shown, bool dryRun)
{
    if (folder.isEmpty())
        return std::nullopt;
    if (!isFaithfulFileName(folder))
        return SetupError{
            QStringLiteral("the output folder %1 cannot be used: its name is not valid UTF-8").arg(shown)};
    const QString cannotCreate = QStringLiteral("the output folder %1 cannot be created").arg(shown);
    const QFileInfo info(folder);
    if (info.exists() || info.isSymLink()) {
        if (!info.isDir())
            return SetupError{cannotCreate}; // a file in its place
    } else {
        const QFileInfo parent(info.path());
        if (!parent.exists())
            return SetupError{QStringLiteral("the output folder %1 cannot be created: the folder %2 does not exist")
                                  .arg(shown, QFileInfo(shown).path())};
        if (!writableFolder(parent.filePath()) || (!dryRun && !QDir().mkdir(folder)))
            return SetupError{cannotCreate};
        if (dryRun)
            return std::nullopt;
    }
    if (!writableFolder(folder))
        return SetupError{QStringLiteral("the output folder %1 cannot be written").arg(shown)};
    return std::nullopt;
}

// How the report names a job's files: the input as the user gave it, its output spelt the same
// way (below the input's folder, or below the output folder as given), escaped.
class ReportNames
{
public:
    ReportNames(const std::vector<GatheredInput> &inputs, const QString &outputFolder, const QString &givenOutputFolder)
        : m_inputs(inputs), m_outputFolder(QFile::encodeName(outputFolder)),
          m_givenOutputFolder(QFile::encodeName(givenOutputFolder))
    {
    }

    QString input(int index) const { return escapedForReport(m_inputs[std::size_t(index)].given); }

    // The names a file's line begins with: "input -> output", or the input alone without an output.
    QString files(int index, const QString &outputPath) const
    {
        return outputPath.isEmpty() ? input(index) : input(index) + QStringLiteral(" -> ") + output(index, outputPath);
    }

    QString output(int index, const QString &path) const
    {
        const QByteArray output = QFile::encodeName(path);
        const GatheredInput &input = m_inputs[std::size_t(index)];
        const QByteArray inputFolder = folderPart(QFile::encodeName(input.input.path));
        if (!input.given.isEmpty() && !inputFolder.isEmpty() && output.startsWith(inputFolder))
            return escapedForReport(folderPart(input.given) + output.mid(inputFolder.size()));
        if (!m_outputFolder.isEmpty() && output.startsWith(m_outputFolder + '/')) {
            const QByteArray given
                = m_givenOutputFolder.endsWith('/') ? m_givenOutputFolder : m_givenOutputFolder + '/';
            return escapedForReport(given + output.mid(m_outputFolder.size() + 1));
        }
        return escapedForReport(output);
    }

private:
    // Everything up to and including the last "/"; nothing for a bare name.
    static QByteArray folderPart(const QByteArray &path) { return path.left(path.lastIndexOf('/') + 1); }

    const std::vector<GatheredInput> m_inputs;
    const QByteArray m_outputFolder;
    const QByteArray m_givenOutputFolder;
};

// The line that tells how a file skipped by the plan ends.
QString skipLine(const ReportNames &names, int index, const BatchJob &job, const MessageTexts &texts)
{
    return names.files(index, job.output) + QStringLiteral(": ") + skipReasonText(job, texts);
}

} // namespace

// Runs the jobs and tells the user about them on `err`.
class ShellEncode::Batch
{
public:
    Batch(const QString &encoder, const BatchJobs &jobs, const ReportNames &names, int encodersAtOnce,
          ExistingOutputPolicy existing, const MessageTexts &texts, QTextStream &err, std::function<void(int)> done)
        : m_runner(encoder, jobs, QDir::currentPath()), m_names(names), m_texts(texts), m_err(err),
          m_done(std::move(done)), m_terminal(::isatty(STDERR_FILENO) == 1)
    {
        m_runner.setEncodersAtOnce(encodersAtOnce);
        m_runner.setExistingOutputPolicy(existing);
    }

    void start()
    {
        for (int i = 0; i < m_runner.jobCount(); ++i) {
            const BatchJob &job = m_runner.job(i);
            if (job.skipped())
                reportLine(skipLine(m_names, i, job, m_texts));
        }
        QObject::connect(&m_watcher, &TerminationWatcher::received, &m_runner, [this](int signalNumber) {
            if (m_signal == 0)
                m_signal = signalNumber;
            m_runner.stop();
        });
        QObject::connect(&m_runner, &BatchRunner::jobChanged, &m_runner, [this](int index) { jobChanged(index); });
        QObject::connect(&m_runner, &BatchRunner::jobProgressed, &m_runner, [this] { showProgress(false); });
        QObject::connect(&m_runner, &BatchRunner::finished, &m_runner, [this] { m_done(finish()); });
        m_elapsed.start();
        m_runner.start();
    }

private:
    int finish()
    {
        clearProgress();

        if (!m_runner.programNotStarted().isEmpty()) {
            m_err << programName() << ": " << m_texts.strCannotStart.arg(m_runner.programNotStarted()) << '\n';
            m_err.flush();
            return m_signal ? 128 + m_signal : kEncodeSetupError;
        }
        const BatchCounts counts = m_runner.counts();
        m_err << m_texts.strBatchSummary.arg(counts.finished).arg(counts.failed).arg(counts.skipped);
        if (counts.stopped + counts.waiting > 0)
            m_err << m_texts.strBatchNotDone.arg(counts.stopped + counts.waiting);
        m_err << '\n';
        m_err.flush();
        // A signal ends the program with the status a shell gives a program the signal ended.
        if (m_signal)
            return 128 + m_signal;
        return counts.failed > 0 ? kEncodeSomeFailed : kEncodeAllDone;
    }

    void jobChanged(int index)
    {
        const BatchJob &job = m_runner.job(index);
        const JobStatus &status = m_runner.status(index);
        switch (status.state) {
        case JobState::Waiting: break;
        // Only a skip decided as the file was done: the plan's were told before the start.
        case JobState::Skipped: reportLine(skipLine(m_names, index, job, m_texts)); break;
        case JobState::Encoding: showProgress(true); break;
        case JobState::Finished:
        case JobState::Stopped:
        case JobState::Failed: {
            // Beside a failure, what the encoder said last, on the same line and escaped as a name.
            const QString said
                = status.state == JobState::Failed ? escapedForReport(m_runner.lastWords(index).toUtf8()) : QString();
            reportLine(m_names.files(index, job.output) + QStringLiteral(": ")
                       + jobStatusText(status, m_texts, StatusView::BatchList, said));
            break;
        }
        }
    }

    void reportLine(const QString &line)
    {
        clearProgress();
        m_err << line << '\n';
        m_err.flush();
        showProgress(true);
    }

    void showProgress(bool now)
    {
        if (!m_terminal || !m_runner.isRunning())
            return;
        if (!now && m_sinceProgress.isValid() && m_sinceProgress.elapsed() < kProgressIntervalMs)
            return;
        m_sinceProgress.start();
        const BatchCounts counts = m_runner.counts();
        const int done = counts.finished + counts.failed + counts.stopped;
        const int toDo = m_runner.jobCount() - counts.skipped;
        // As the batch window shows it: the share fills with what succeeded, so failed files
        // leave it short; the remaining time is the time so far, scaled by the share of all
        // the work still to do, failures included.
        const double progress = m_runner.overallProgress();
        const qint64 elapsed = m_elapsed.elapsed();
        const QString remaining
            = progress > 0 ? clockText(qint64(double(elapsed) * (1 - progress) / progress)) : QStringLiteral("--:--");
        m_err << "\r\033[K"
              << m_texts.strShellProgress.arg(int(qBound(0.0, m_runner.finishedShare(), 1.0) * 100), 3)
                     .arg(done)
                     .arg(toDo)
                     .arg(counts.encoding)
                     .arg(clockText(elapsed), remaining);
        m_err.flush();
        m_progressShown = true;
    }

    void clearProgress()
    {
        if (!m_progressShown)
            return;
        m_err << "\r\033[K";
        m_err.flush();
        m_progressShown = false;
    }

    BatchRunner m_runner;
    TerminationWatcher m_watcher;
    const ReportNames m_names;
    const MessageTexts m_texts;
    QTextStream &m_err;
    const std::function<void(int)> m_done;
    const bool m_terminal;
    bool m_progressShown = false;
    QElapsedTimer m_sinceProgress;
    QElapsedTimer m_elapsed;
    int m_signal = 0;
};

QString escapedForReport(const QByteArray &name)
{
    static const char kShortEscapes[][2]
        = {{'\a', 'a'}, {'\b', 'b'}, {'\f', 'f'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}, {'\v', 'v'}, {'\\', '\\'}};
    QString shown;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    qsizetype at = 0;
    while (at < name.size()) {
        const auto byte = quint8(name[at]);
        if (byte < 0x80) {
            const char c = char(byte);
            const auto known = std::find_if(std::begin(kShortEscapes), std::end(kShortEscapes),
                                            [c](const char(&pair)[2]) { return pair[0] == c; });
            if (known != std::end(kShortEscapes)) {
                shown += u'\\';
                shown += QLatin1Char((*known)[1]);
                ++at;
                continue;
            }
        }
        // The length of the UTF-8 sequence the byte leads; a sequence that does not decode is
        // shown byte by byte.
        const qsizetype length = byte < 0x80 ? 1 : byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        const QByteArray sequence = name.mid(at, length);
        const QList<uint> decoded = QString(decoder.decode(sequence)).toUcs4();
        const bool valid = !decoder.hasError() && sequence.size() == length && decoded.size() == 1;
        decoder.resetState();
        if (valid && QChar::isPrint(char32_t(decoded.constFirst()))) {
            shown += QString::fromUtf8(sequence);
            at += length;
            continue;
        }
        const qsizetype count = valid ? length : 1;
        for (qsizetype i = 0; i < count; ++i)
            shown += QStringLiteral("\\%1").arg(quint8(name[at + i]), 3, 8, QLatin1Char('0'));
        at += count;
    }
    return shown;
}

ShellEncode::ShellEncode(const ShellEncodeRequest &request, QTextStream &out, QTextStream &err, QObject *parent)
    : QObject(parent), m_request(request), m_out(out), m_err(err)
{
}

ShellEncode::~ShellEncode() = default;

void ShellEncode::start()
{
    if (const std::optional<int> status = prepareAndStart(m_request, m_out, m_err))
        emit done(*status);
}

// Everything up to the start of the batch; the exit status when nothing is to run.
std::optional<int> ShellEncode::prepareAndStart(const ShellEncodeRequest &request, QTextStream &out, QTextStream &err)
{
    const auto setupError = [&err](const SetupError &error) {
        err << programName() << ": " << error.message << '\n';
        err.flush();
        return kEncodeSetupError;
    };
    const Preferences stored = storedPreferences();
    // The preset list holds the names of the interface language the window would show.
    OptionSet options;
    if (const std::optional<SetupError> error = restoreOptions(request.settingsFile, stored.language, options))
        return setupError(*error);
    const std::optional<QString> encoder = findEncoder(options, stored);
    if (!encoder)
        return setupError({encoderNotFound(options, stored)});
    // The work uses absolute names; the report shows them as they were given.
    const QString outputFolder = request.outputFolder.isEmpty()
                                     ? QString()
                                     : QDir::cleanPath(QDir::current().absoluteFilePath(request.outputFolder));
    if (const std::optional<SetupError> error = prepareOutputFolder(outputFolder, request.outputFolder, request.dryRun))
        return setupError(*error);

    const QStringList unknownFields = unknownPatternFields(request.namePattern);
    if (!unknownFields.isEmpty())
        err << programName()
            << ": --name-pattern: " << escapedForReport(unknownFields.join(QStringLiteral(", ")).toUtf8())
            << (unknownFields.size() == 1 ? " is not a field and stays" : " are not fields and stay")
            << " in the names as written; the fields are " << patternFields().join(QStringLiteral(", ")) << '\n';
    const GatheredInputs gathered = gatherInputs(request.items, folderInputType(options));
    for (const QByteArray &folder : gathered.emptyFolders)
        err << programName() << ": no audio files of the chosen input type in " << escapedForReport(folder) << '\n';
    BatchRequest batch;
    batch.options = options;
    for (const GatheredInput &input : gathered.inputs)
        batch.inputs.push_back(input.input);
    batch.outputFolder = outputFolder;
    batch.existing = request.existing;
    batch.namePattern = request.namePattern;
    batch.pageTags = request.pageTags;
    batch.language = isKnownLanguage(stored.language) ? stored.language : Language::English;
    const MessageTexts texts = messageTextsFor(batch.language);
    if (readsAsWave(options)) {
        // Which kinds this encoder reads itself is found out before planning, for the kinds
        // among the inputs only; the plan takes the content check made here.
        QList<SoundKind> kinds;
        for (BatchInput &input : batch.inputs) {
            if (input.skip != SkipReason::None)
                continue;
            if (!input.format)
                input.format = soundFormatOfFile(input.path);
            kinds += input.format->kind;
        }
        batch.routes.decoder = findDecoder();
        batch.routes.readStraight = probeEncoder(*encoder, kinds);
    }
    JobInputs jobInputs;
    const BatchJobs jobs = planBatch(batch, RealFileFacts(), jobInputs);
    // A file found in a folder that another input writes has no job, and no line.
    std::vector<GatheredInput> reported;
    reported.reserve(std::size_t(jobs.size()));
    for (qsizetype input : jobInputs.inputOfJob)
        reported.push_back(gathered.inputs[std::size_t(input)]);
    const ReportNames names(reported, outputFolder, request.outputFolder);

    if (request.dryRun) {
        for (int i = 0; i < int(jobs.size()); ++i) {
            const BatchJob &job = jobs[i];
            if (job.skipped()) {
                err << skipLine(names, i, job, texts) << '\n';
                continue;
            }
            const ShownJobTags tags = shownJobTags(job.tagRules, job.input, job.kind);
            const QStringList switches = job.switches + tags.switches;
            if (job.decoder.isEmpty())
                out << shellQuoted(QStringList{*encoder} + encoderArguments(switches, job.input, job.output));
            else
                out << shellQuoted(job.decoder) << " | "
                    << shellQuoted(QStringList{*encoder} + encoderArgumentsFromPipe(switches, job.output));
            // The cover's file exists only while the job runs: a comment says it goes too, and the
            // line stays one a shell runs.
            if (tags.embeddedCover)
                out << "  # " << texts.strDryRunEmbeddedCover;
            out << '\n';
        }
        out.flush();
        err.flush();
        return kEncodeAllDone;
    }
    m_batch
        = std::make_unique<Batch>(*encoder, jobs, names, request.jobs.value_or(BatchRunner::defaultEncodersAtOnce()),
                                  request.existing, texts, err, [this](int status) { emit done(status); });
    m_batch->start();
    return std::nullopt;
}

} // namespace fenwave
