#include "ui/RunWindow.h"

#include "ProgramIdentity.h"

#include "job/EncoderJob.h"
#include "job/JobStatusText.h"
#include "options/CommandLine.h"
#include "options/EncoderProgress.h"
#include "ui/AccessibleTexts.h"
#include "ui/Confirmation.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
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

// What a screen reader calls and tells of the parts that show no text of their own, or no hint.
const PartTexts kPartTexts[] = {
    {"edtRunOutput", &MessageTexts::strRunOutputName, &MessageTexts::strRunOutputHint},
    {"barRunProgress", &MessageTexts::strRunProgressName, &MessageTexts::strRunProgressHint},
    {"butRunStop", nullptr, &MessageTexts::strRunStopHint},
};

} // namespace

RunWindow::RunWindow(const MessageTexts &texts)
    : m_texts(texts), m_view(new QPlainTextEdit(this)), m_progress(new QProgressBar(this)), m_outcome(new QLabel(this)),
      m_stop(new QPushButton(texts.strRunStop, this)), m_terminal(m_view->document())
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

    m_moreOutput.setSingleShot(true);
    m_moreOutput.setInterval(0);
    connect(&m_moreOutput, &QTimer::timeout, this, &RunWindow::takeOutput);
    connect(m_stop, &QPushButton::clicked, this, &RunWindow::stop);
    openWindows().append(this);
}

RunWindow::~RunWindow()
{
    openWindows().removeOne(this);
    // Only at the end of the program can a window go with its encoder still running: the job
    // kills it and settles the output as a stopped run's.
    if (m_job) {
        m_job->disconnect(this);
        delete m_job;
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
    auto *job
        = new EncoderJob(command.first(), command.mid(1), folder, JobOutput::inPlace(window->m_outputName), window);
    window->m_job = job;
    connect(job, &EncoderJob::outputReady, window, &RunWindow::takeOutput);
    connect(job, &EncoderJob::progressed, window, &RunWindow::showProgress);
    connect(job, &EncoderJob::finished, window, &RunWindow::jobFinished);
    // Returns as soon as the program is running or has failed to; it does not wait for it.
    if (!job->start() || !job->waitForStarted()) {
        delete window;
        return nullptr;
    }
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
        if (window->isRunning())
            window->m_job->stop();
    }
    const QDeadlineTimer grace(EncoderJob::kStopGraceMs);
    for (RunWindow *window : windows) {
        if (window->isRunning() && !window->m_job->waitForFinished(int(grace.remainingTime())))
            window->m_job->kill();
    }
    for (RunWindow *window : windows)
        delete window;
}

bool RunWindow::isRunning() const
{
    return m_job && m_job->isRunning();
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
    if (!isRunning() || m_job->isStopping())
        return;
    m_job->stop();
    m_stop->setEnabled(false);
    showState();
}

void RunWindow::closeEvent(QCloseEvent *event)
{
    // A window whose encoder is already being stopped goes without a question.
    if (isRunning() && !m_job->isStopping() && !askToConfirm(this, m_texts.strConfirmCloseRun)) {
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
    if (m_pendingFrom < m_pending.size() || m_job->bytesAvailable() > 0)
        m_moreOutput.start();
}

// Shows a little more of the output; false when there was none left to show.
bool RunWindow::showSomeOutput()
{
    if (m_pendingFrom >= m_pending.size()) {
        const QByteArray bytes = m_job->read(kReadBytes);
        if (bytes.isEmpty())
            return false;
        m_pending = m_decoder.decode(bytes);
        m_pendingFrom = 0;
    }
    m_pendingFrom += m_terminal.write(QStringView(m_pending).mid(m_pendingFrom), kChangesAtOnce);
    return true;
}

void RunWindow::showProgress(const EncoderProgress &progress)
{
    if (progress.total > 0 && progress.total <= std::numeric_limits<int>::max()) {
        m_progress->setRange(0, int(progress.total));
        m_progress->setValue(int(qMin(progress.done, progress.total)));
    } else {
        m_progress->setRange(0, 0);
    }
}

void RunWindow::jobFinished()
{
    m_moreOutput.stop();
    while (showSomeOutput()) {}
    m_terminal.finish();
    m_stop->setEnabled(false);
    if (m_progress->maximum() == 0)
        m_progress->setRange(0, 1);
    if (m_job->status().state == JobState::Finished)
        m_progress->setValue(m_progress->maximum());
    showState();
    if (m_closeWhenFinished)
        deleteLater();
}

void RunWindow::showState()
{
    QString text = !m_job                ? m_texts.strRunRunning
                   : m_job->isStopping() ? m_texts.strRunStopping
                                         : jobStatusText(m_job->status(), m_texts, StatusView::RunWindow);
    if (m_job && m_job->output().incomplete())
        text += QStringLiteral(". ") + m_texts.strOutputIncomplete.arg(m_outputName);
    m_outcome->setText(text);
}

} // namespace fenwave
