#include "batch/ShellEncode.h"

#include "batch/ClockText.h"
#include "ProgramIdentity.h"
#include "batch/BatchPlan.h"
#include "batch/BatchRunner.h"
#include "batch/EncoderProbe.h"
#include "batch/GatherInputs.h"
#include "batch/ShellQuoting.h"
#include "batch/SoundKind.h"
#include "batch/SoundRoute.h"
#include "batch/TerminationWatcher.h"
#include "job/EncoderArguments.h"
#include "settings/IniDocument.h"
#include "settings/Preferences.h"
#include "settings/SettingsFileSniff.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsRestore.h"
#include "settings/UserStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <iterator>
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

    const std::vector<GatheredInput> &m_inputs;
    const QByteArray m_outputFolder;
    const QByteArray m_givenOutputFolder;
};

// `output` is the job's output as the report shows it.
QString skipReasonText(const BatchJob &job, const QString &output)
{
    const QString kindText = soundKindText(job.kind, Language::English);
    switch (job.skip) {
    case SkipReason::None: break;
    case SkipReason::OutputIsInput: return QStringLiteral("the output %1 is the input itself").arg(output);
    case SkipReason::OutputIsAnotherInput: return QStringLiteral("the output %1 is another input").arg(output);
    case SkipReason::OutputExists: return QStringLiteral("the output %1 exists").arg(output);
    case SkipReason::InputNamesNoFile: return QStringLiteral("the name is no file");
    case SkipReason::NameNotUtf8: return QStringLiteral("the name cannot be used: it is not valid UTF-8");
    case SkipReason::InputDoesNotExist: return QStringLiteral("the file does not exist");
    case SkipReason::NotSound: return QStringLiteral("not a sound file: %1").arg(kindText);
    case SkipReason::KindNotRead: return QStringLiteral("the encoder does not read %1 files").arg(kindText);
    case SkipReason::KindNotOfInputType:
        return QStringLiteral("the file is %1, not of the chosen input type").arg(kindText);
    case SkipReason::NeedsDecoder:
        return needsDecoderForChannels(job)
                   ? QStringLiteral("a %1-channel file needs ffmpeg: apt install ffmpeg").arg(job.channels)
                   : QStringLiteral("%1 needs ffmpeg: apt install ffmpeg").arg(kindText);
    case SkipReason::AppearedDuringBatch: return QStringLiteral("the output %1 appeared during the batch").arg(output);
    }
    return QString();
}

QString failureText(const JobStatus &status)
{
    switch (status.failure) {
    case JobFailure::None: break;
    case JobFailure::ExitStatus: return QStringLiteral("the encoder ended with status %1").arg(status.code);
    case JobFailure::DecoderExitStatus: return QStringLiteral("ffmpeg ended with status %1").arg(status.code);
    case JobFailure::Signal: return QStringLiteral("the encoder was ended by signal %1").arg(status.code);
    case JobFailure::CannotStart: return QStringLiteral("the encoder could not be started");
    case JobFailure::CannotCreateOutput:
        return QStringLiteral("the output cannot be written: %1")
            .arg(QString::fromLocal8Bit(std::strerror(status.code)));
    case JobFailure::CannotPlaceOutput:
        return QStringLiteral("the output cannot take its place: %1")
            .arg(QString::fromLocal8Bit(std::strerror(status.code)));
    case JobFailure::OutputBeingWritten: return QStringLiteral("another run is writing the output");
    case JobFailure::OutputReadOnly: return QStringLiteral("the output is read-only and was kept");
    }
    return QString();
}

// Runs the jobs and tells the user about them on `err`.
class ShellBatch
{
public:
    ShellBatch(const QString &encoder, const BatchJobs &jobs, const ReportNames &names, int encodersAtOnce,
               ExistingOutputPolicy existing, QTextStream &err)
        : m_runner(encoder, jobs, QDir::currentPath()), m_names(names), m_err(err),
          m_terminal(::isatty(STDERR_FILENO) == 1)
    {
        m_runner.setEncodersAtOnce(encodersAtOnce);
        m_runner.setExistingOutputPolicy(existing);
    }

    int run()
    {
        for (int i = 0; i < m_runner.jobCount(); ++i) {
            const BatchJob &job = m_runner.job(i);
            if (job.skipped())
                reportLine(QStringLiteral("skipped: %1 (%2)")
                               .arg(m_names.input(i), skipReasonText(job, m_names.output(i, job.output))));
        }
        TerminationWatcher watcher;
        QObject::connect(&watcher, &TerminationWatcher::received, &m_runner, [this](int signalNumber) {
            if (m_signal == 0)
                m_signal = signalNumber;
            m_runner.stop();
        });
        QObject::connect(&m_runner, &BatchRunner::jobChanged, &m_runner, [this](int index) { jobChanged(index); });
        QObject::connect(&m_runner, &BatchRunner::jobProgressed, &m_runner, [this] { showProgress(false); });
        QObject::connect(&m_runner, &BatchRunner::finished, QCoreApplication::instance(), &QCoreApplication::quit);
        m_elapsed.start();
        m_runner.start();
        QCoreApplication::exec();
        clearProgress();

        if (!m_runner.programNotStarted().isEmpty()) {
            m_err << programName() << ": " << QStringLiteral("Unable to start %1.").arg(m_runner.programNotStarted())
                  << '\n';
            m_err.flush();
            return m_signal ? 128 + m_signal : kEncodeSetupError;
        }
        const BatchCounts counts = m_runner.counts();
        m_err << counts.finished << " finished, " << counts.failed << " failed, " << counts.skipped << " skipped";
        if (counts.stopped + counts.waiting > 0)
            m_err << ", " << counts.stopped + counts.waiting << " not done";
        m_err << '\n';
        m_err.flush();
        // A signal ends the program with the status a shell gives a program the signal ended.
        if (m_signal)
            return 128 + m_signal;
        return counts.failed > 0 ? kEncodeSomeFailed : kEncodeAllDone;
    }

private:
    void jobChanged(int index)
    {
        const BatchJob &job = m_runner.job(index);
        const JobStatus &status = m_runner.status(index);
        switch (status.state) {
        case JobState::Waiting: break;
        // Only a skip decided as the file was done: the plan's were told before the start.
        case JobState::Skipped:
            reportLine(QStringLiteral("skipped: %1 (%2)")
                           .arg(m_names.input(index), skipReasonText(job, m_names.output(index, job.output))));
            break;
        case JobState::Encoding: showProgress(true); break;
        case JobState::Finished:
            reportLine(
                QStringLiteral("finished: %1 -> %2").arg(m_names.input(index), m_names.output(index, job.output)));
            break;
        case JobState::Stopped: reportLine(QStringLiteral("stopped: %1").arg(m_names.input(index))); break;
        case JobState::Failed: {
            QString line = QStringLiteral("failed: %1 (%2)").arg(m_names.input(index), failureText(status));
            const QString said = escapedForReport(m_runner.lastWords(index).toUtf8());
            if (!said.isEmpty())
                line += QStringLiteral("\n  ") + said;
            reportLine(line);
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
        m_err << QStringLiteral("\r\033[K[%1%] %2 of %3 files done, %4 encoding, elapsed %5, remaining %6")
                     .arg(int(qBound(0.0, m_runner.finishedShare(), 1.0) * 100), 3)
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
    const ReportNames &m_names;
    QTextStream &m_err;
    const bool m_terminal;
    bool m_progressShown = false;
    QElapsedTimer m_sinceProgress;
    QElapsedTimer m_elapsed;
    int m_signal = 0;
};

} // namespace

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

int encodeFromShell(const ShellEncodeRequest &request, QTextStream &out, QTextStream &err)
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
    batch.language = isKnownLanguage(stored.language) ? stored.language : Language::English;
    if (readsAsWave(options)) {
        // Which kinds this encoder reads itself is found out before planning, for the kinds
        // among the inputs only.
        QList<SoundKind> kinds;
        for (const BatchInput &input : batch.inputs)
            kinds += input.skip == SkipReason::None ? soundKindOfFile(input.path) : SoundKind::NotChecked;
        batch.routes.decoder = findDecoder();
        batch.routes.readStraight = probeEncoder(*encoder, kinds);
    }
    const BatchJobs jobs = planBatch(batch, RealFileFacts());
    const ReportNames names(gathered.inputs, outputFolder, request.outputFolder);

    if (request.dryRun) {
        for (int i = 0; i < int(jobs.size()); ++i) {
            const BatchJob &job = jobs[i];
            if (job.skipped())
                err << "skipped: " << names.input(i) << " (" << skipReasonText(job, names.output(i, job.output))
                    << ")\n";
            else if (job.decoder.isEmpty())
                out << shellQuoted(QStringList{*encoder} + encoderArguments(job.switches, job.input, job.output))
                    << '\n';
            else
                out << shellQuoted(job.decoder) << " | "
                    << shellQuoted(QStringList{*encoder} + encoderArgumentsFromPipe(job.switches, job.output)) << '\n';
        }
        out.flush();
        err.flush();
        return kEncodeAllDone;
    }
    ShellBatch shellBatch(*encoder, jobs, names, request.jobs.value_or(BatchRunner::defaultEncodersAtOnce()),
                          request.existing, err);
    return shellBatch.run();
}

} // namespace fenwave
