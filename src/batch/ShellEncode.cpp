#include "batch/ShellEncode.h"

#include "ProgramIdentity.h"
#include "batch/BatchPlan.h"
#include "batch/BatchRunner.h"
#include "batch/FolderScan.h"
#include "batch/ShellQuoting.h"
#include "batch/TerminationWatcher.h"
#include "settings/IniDocument.h"
#include "settings/Preferences.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsRestore.h"
#include "settings/UserStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <cstring>
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

// The nearest folder that exists at or above `path`.
QString nearestExistingFolder(const QString &path)
{
    QString at = QDir(path).absolutePath();
    while (!QFileInfo::exists(at) && at != QDir::rootPath())
        at = QFileInfo(at).path();
    return at;
}

bool writableFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

// The output folder is made before anything starts (a dry run only checks that it could be).
std::optional<SetupError> prepareOutputFolder(const QString &folder, bool dryRun)
{
    if (folder.isEmpty())
        return std::nullopt;
    const QString existing = dryRun ? nearestExistingFolder(folder) : folder;
    if (!dryRun && !QDir().mkpath(folder))
        return SetupError{QStringLiteral("the output folder %1 cannot be created").arg(folder)};
    if (!writableFolder(existing)) {
        return SetupError{QFileInfo::exists(folder)
                              ? QStringLiteral("the output folder %1 cannot be written").arg(folder)
                              : QStringLiteral("the output folder %1 cannot be created").arg(folder)};
    }
    return std::nullopt;
}

// A folder stands for the audio files in it that the chosen input type reads.
std::vector<BatchInput> expandItems(const QStringList &items, const OptionSet &options, QTextStream &err)
{
    std::vector<BatchInput> inputs;
    for (const QString &item : items) {
        if (!item.isEmpty() && QFileInfo(item).isDir()) {
            const QStringList found = listAudioFiles(item, options.index(Field::rgrInputType));
            if (found.isEmpty())
                err << programName() << ": no audio files of the chosen input type in " << item << '\n';
            for (const QString &file : found)
                inputs.push_back({file, item});
        } else {
            inputs.push_back({item, QString()});
        }
    }
    return inputs;
}

QString skipReasonText(const BatchJob &job)
{
    switch (job.skip) {
    case SkipReason::None: break;
    case SkipReason::OutputIsInput: return QStringLiteral("the output %1 is the input itself").arg(job.output);
    case SkipReason::OutputIsAnotherInput: return QStringLiteral("the output %1 is another input").arg(job.output);
    case SkipReason::OutputExists: return QStringLiteral("the output %1 exists").arg(job.output);
    case SkipReason::InputNamesNoFile: return QStringLiteral("the name is no file");
    case SkipReason::AppearedDuringBatch:
        return QStringLiteral("the output %1 appeared during the batch").arg(job.output);
    }
    return QString();
}

QString failureText(const JobStatus &status)
{
    switch (status.failure) {
    case JobFailure::None: break;
    case JobFailure::ExitStatus: return QStringLiteral("the encoder ended with status %1").arg(status.code);
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

// The last line the encoder wrote, which says why it failed.
QString lastLine(const QByteArray &kept)
{
    const QList<QByteArray> lines = kept.trimmed().split('\n');
    return lines.isEmpty() ? QString() : QString::fromLocal8Bit(lines.last().trimmed());
}

// Runs the jobs and tells the user about them on `err`.
class ShellBatch
{
public:
    ShellBatch(const QString &encoder, const std::vector<BatchJob> &jobs, int encodersAtOnce,
               ExistingOutputPolicy existing, QTextStream &err)
        : m_runner(encoder, QVector<BatchJob>(jobs.begin(), jobs.end()), QDir::currentPath()), m_err(err),
          m_terminal(::isatty(STDERR_FILENO) == 1)
    {
        m_runner.setEncodersAtOnce(encodersAtOnce);
        m_runner.setExistingOutputPolicy(existing);
    }

    int run()
    {
        for (int i = 0; i < m_runner.jobCount(); ++i) {
            if (m_runner.job(i).skipped())
                reportLine(
                    QStringLiteral("skipped: %1 (%2)").arg(m_runner.job(i).input, skipReasonText(m_runner.job(i))));
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
            reportLine(QStringLiteral("skipped: %1 (%2)").arg(job.input, skipReasonText(job)));
            break;
        case JobState::Encoding: showProgress(true); break;
        case JobState::Finished: reportLine(QStringLiteral("finished: %1 -> %2").arg(job.input, job.output)); break;
        case JobState::Stopped: reportLine(QStringLiteral("stopped: %1").arg(job.input)); break;
        case JobState::Failed: {
            QString line = QStringLiteral("failed: %1 (%2)").arg(job.input, failureText(status));
            const QString said = lastLine(m_runner.keptOutput(index));
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
        m_err << QStringLiteral("\r\033[K[%1%] %2 of %3 files done, %4 encoding")
                     .arg(int(m_runner.overallProgress() * 100), 3)
                     .arg(done)
                     .arg(toDo)
                     .arg(counts.encoding);
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
    QTextStream &m_err;
    const bool m_terminal;
    bool m_progressShown = false;
    QElapsedTimer m_sinceProgress;
    int m_signal = 0;
};

} // namespace

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
    if (const std::optional<SetupError> error = prepareOutputFolder(request.outputFolder, request.dryRun))
        return setupError(*error);

    BatchRequest batch;
    batch.options = options;
    batch.inputs = expandItems(request.items, options, err);
    batch.outputFolder = request.outputFolder;
    batch.existing = request.existing;
    const std::vector<BatchJob> jobs = planBatch(batch, RealFileFacts());

    if (request.dryRun) {
        for (const BatchJob &job : jobs) {
            if (job.skipped())
                err << "skipped: " << job.input << " (" << skipReasonText(job) << ")\n";
            else
                out << shellQuoted(QStringList{*encoder} + job.arguments) << '\n';
        }
        out.flush();
        err.flush();
        return kEncodeAllDone;
    }
    ShellBatch shellBatch(*encoder, jobs, request.jobs.value_or(BatchRunner::defaultEncodersAtOnce()), request.existing,
                          err);
    return shellBatch.run();
}

} // namespace fenwave
