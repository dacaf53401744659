#include "ui/RunWindow.h"

#include "ProgramIdentity.h"

#include "options/CommandLine.h"
#include "options/EncoderEnvironment.h"
#include "options/EncoderProgress.h"
#include "ui/AccessibleTexts.h"
#include "ui/Confirmation.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace fenwave {

namespace {

// How long an encoder asked to stop may take before it is killed.
constexpr int kStopGraceMs = 3000;
// How many lines of output the window keeps.
constexpr int kKeptLines = 5000;
// The output is read and shown in pieces, so that no flood of it holds up the window (a click
// on Stop above all): at most this much is read at once, at most this many changes of the view
// are made between two looks at the clock, and a round of showing ends after this long.
constexpr qint64 kReadBytes = 64 * 1024;
constexpr int kChangesAtOnce = 64;
constexpr int kRoundMs = 20;

QList<RunWindow *> &openWindows()
{
    static QList<RunWindow *> windows;
    return windows;
}

// A dangling link is there too: writing through it would create a file elsewhere.
bool isThere(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// What a screen reader calls and tells of the parts that show no text of their own, or no hint.
const PartTexts kPartTexts[] = {
    {"edtRunOutput", &MessageTexts::strRunOutputName, &MessageTexts::strRunOutputHint},
    {"barRunProgress", &MessageTexts::strRunProgressName, &MessageTexts::strRunProgressHint},
    {"butRunStop", nullptr, &MessageTexts::strRunStopHint},
};

} // namespace

RunWindow::RunWindow(const MessageTexts &texts)
    : m_texts(texts), m_process(new QProcess(this)), m_view(new QPlainTextEdit(this)),
      m_progress(new QProgressBar(this)), m_outcome(new QLabel(this)), m_stop(new QPushButton(texts.strRunStop, this)),
      m_terminal(m_view->document(), [this](QStringView line) { showProgress(line); })
{
    setObjectName(QStringLiteral("frmRun"));
    m_view->setObjectName(QStringLiteral("edtRunOutput"));
    m_progress->setObjectName(QStringLiteral("barRunProgress"));
    m_outcome->setObjectName(QStringLiteral("lblRunOutcome"));
    m_stop->setObjectName(QStringLiteral("butRunStop"));
    nameAndDescribeParts(this, texts, kPartTexts);

    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(kKeptLines); // also turns the undo history off
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_progress->setRange(0, 0); // busy until the encoder says how far it is
    m_progress->setTextVisible(false);
    showState();

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_outcome, 1);
    bottom->addWidget(m_stop);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_progress);
    layout->addLayout(bottom);
    resize(620, 320);

    m_killTimer.setSingleShot(true);
    m_killTimer.setInterval(kStopGraceMs);
    m_moreOutput.setSingleShot(true);
    m_moreOutput.setInterval(0);
    connect(&m_killTimer, &QTimer::timeout, m_process, &QProcess::kill);
    connect(&m_moreOutput, &QTimer::timeout, this, &RunWindow::takeOutput);
    connect(m_stop, &QPushButton::clicked, this, &RunWindow::stop);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &RunWindow::takeOutput);
    connect(m_process, &QProcess::finished, this, &RunWindow::processFinished);
    openWindows().append(this);
}

RunWindow::~RunWindow()
{
    openWindows().removeOne(this);
    // Only at the end of the program can a window go with its encoder still running.
    if (isRunning()) {
        m_process->disconnect(this);
        m_stopAsked = true;
        m_process->kill();
        m_process->waitForFinished(1000);
        settleOutput(false);
    }
}

RunWindow *RunWindow::start(const QStringList &command, const QString &folder, const QString &inputName,
                            const QString &outputName, const MessageTexts &texts)
{
    if (command.isEmpty())
        return nullptr;
    static const bool stopsAtQuit
        = QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &RunWindow::stopAllAndClose);
    Q_UNUSED(stopsAtQuit);

    auto *window = new RunWindow(texts);
    const QString name = QFileInfo(inputName.trimmed()).fileName();
    window->setWindowTitle((name.isEmpty() ? inputName : name) + QStringLiteral(" - ")
                           + QString::fromLatin1(kProgramTitle));
    window->m_outputName = trimBelow33(outputName).toString();
    if (!window->m_outputName.isEmpty()) {
        window->m_outputPath = QDir(folder).absoluteFilePath(window->m_outputName);
        window->m_outputExisted = isThere(window->m_outputPath);
    }

    QProcess *process = window->m_process;
    process->setProgram(command.first());
    process->setArguments(command.mid(1));
    process->setWorkingDirectory(folder);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::MergedChannels);
    // A dumb terminal: the encoder writes its progress lines without cursor codes.
    QProcessEnvironment environment = encoderEnvironment();
    environment.insert(QStringLiteral("TERM"), QStringLiteral("dumb"));
    process->setProcessEnvironment(environment);
    process->start();
    // Returns as soon as the program is running or has failed to; it does not wait for it.
    if (!process->waitForStarted()) {
        delete window;
        return nullptr;
    }
    window->m_outputClaim = OutputsInWriting::shared().claim(window->m_outputName, folder);
    window->show();
    return window;
}

QList<RunWindow *> RunWindow::windows()
{
    return openWindows();
}

bool RunWindow::anyRunning()
{
    for (const RunWindow *window : openWindows()) {
        if (window->isRunning())
            return true;
    }
    return false;
}

void RunWindow::stopAllAndClose()
{
    const QList<RunWindow *> windows = openWindows();
    for (RunWindow *window : windows) {
        if (window->isRunning()) {
            window->m_stopAsked = true;
            window->m_process->terminate();
        }
    }
    const QDeadlineTimer grace(kStopGraceMs);
    for (RunWindow *window : windows) {
        if (window->isRunning() && !window->m_process->waitForFinished(int(grace.remainingTime())))
            window->m_process->kill();
    }
    for (RunWindow *window : windows)
        delete window;
}

bool RunWindow::isRunning() const
{
    return m_process->state() != QProcess::NotRunning;
}

void RunWindow::setTexts(const MessageTexts &texts)
{
    m_texts = texts;
    m_stop->setText(texts.strRunStop);
    nameAndDescribeParts(this, texts, kPartTexts);
    showState();
}

void RunWindow::stop()
{
    if (!isRunning() || m_killTimer.isActive())
        return;
    m_stopAsked = true;
    m_process->terminate();
    m_killTimer.start();
    m_stop->setEnabled(false);
    m_state = State::Stopping;
    showState();
}

void RunWindow::closeEvent(QCloseEvent *event)
{
    // A window whose encoder is already being stopped goes without a question.
    if (isRunning() && m_state != State::Stopping && !askToConfirm(this, m_texts.strConfirmCloseRun)) {
        event->ignore();
        return;
    }
    // The encoder may have ended while the question was open.
    if (isRunning()) {
        m_closeWhenFinished = true;
        stop();
    } else {
        deleteLater();
    }
    event->accept();
}

void RunWindow::takeOutput()
{
    QScrollBar *scroll = m_view->verticalScrollBar();
    const bool followEnd = scroll->value() == scroll->maximum();
    QElapsedTimer round;
    round.start();
    while (showSomeOutput() && !round.hasExpired(kRoundMs)) {}
    if (followEnd)
        scroll->setValue(scroll->maximum());
    if (m_pendingFrom < m_pending.size() || m_process->bytesAvailable() > 0)
        m_moreOutput.start();
}

// Shows a little more of the output; false when there was none left to show.
bool RunWindow::showSomeOutput()
{
    if (m_pendingFrom >= m_pending.size()) {
        const QByteArray bytes = m_process->read(kReadBytes);
        if (bytes.isEmpty())
            return false;
        m_pending = m_decoder.decode(bytes);
        m_pendingFrom = 0;
    }
    m_pendingFrom += m_terminal.write(QStringView(m_pending).mid(m_pendingFrom), kChangesAtOnce);
    return true;
}

void RunWindow::showProgress(QStringView line)
{
    if (const std::optional<EncoderProgress> progress = parseEncoderProgress(line)) {
        if (progress->total > 0 && progress->total <= std::numeric_limits<int>::max()) {
            m_progress->setRange(0, int(progress->total));
            m_progress->setValue(int(qMin(progress->done, progress->total)));
        } else {
            m_progress->setRange(0, 0);
        }
    }
}

void RunWindow::processFinished(int exitCode, QProcess::ExitStatus status)
{
    m_moreOutput.stop();
    while (showSomeOutput()) {}
    m_terminal.finish();
    m_killTimer.stop();
    m_stop->setEnabled(false);
    const bool finished = status == QProcess::NormalExit && exitCode == 0;
    if (m_progress->maximum() == 0)
        m_progress->setRange(0, 1);
    if (finished)
        m_progress->setValue(m_progress->maximum());
    // The exit code of a program that died is the number of the signal that ended it.
    m_state = finished ? State::Finished : status == QProcess::NormalExit ? State::Failed : State::Signalled;
    m_exitCode = exitCode;
    settleOutput(finished);
    showState();
    if (m_closeWhenFinished)
        deleteLater();
}

// The run is over: a stopped run's output is removed when the run made it, and called
// incomplete when it was there before. Another run may write the file from now on.
void RunWindow::settleOutput(bool completed)
{
    if (m_stopAsked && !completed && !m_outputPath.isEmpty()) {
        if (!m_outputExisted)
            QFile::remove(m_outputPath);
        m_outputIncomplete = isThere(m_outputPath);
    }
    m_outputClaim.release();
}

void RunWindow::showState()
{
    QString text;
    switch (m_state) {
    case State::Running: text = m_texts.strRunRunning; break;
    case State::Stopping: text = m_texts.strRunStopping; break;
    case State::Finished: text = m_texts.strRunFinished; break;
    case State::Failed: text = m_texts.strRunFailed.arg(m_exitCode); break;
    case State::Signalled: text = m_texts.strRunSignal.arg(m_exitCode); break;
    }
    if (m_outputIncomplete)
        text += QStringLiteral(". ") + m_texts.strOutputIncomplete.arg(m_outputName);
    m_outcome->setText(text);
}

} // namespace fenwave
