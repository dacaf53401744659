#include "ui/RunWindow.h"

#include "options/EncoderProgress.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

namespace fenwave {

namespace {

// How long an encoder asked to stop may take before it is killed.
constexpr int kStopGraceMs = 3000;
// How many lines of output the window keeps.
constexpr int kKeptLines = 5000;
// An escape sequence longer than this is no sequence the window knows; it is dropped.
constexpr int kLongestEscape = 32;

QList<RunWindow *> &openWindows()
{
    static QList<RunWindow *> windows;
    return windows;
}

int charactersToEndOfBlock(const QTextCursor &cursor)
{
    return cursor.block().length() - 1 - cursor.positionInBlock();
}

} // namespace

RunWindow::RunWindow(const MessageTexts &texts)
    : m_texts(texts), m_process(new QProcess(this)), m_view(new QPlainTextEdit(this)),
      m_progress(new QProgressBar(this)), m_outcome(new QLabel(this)), m_stop(new QPushButton(texts.strRunStop, this))
{
    setObjectName(QStringLiteral("frmRun"));
    m_view->setObjectName(QStringLiteral("edtRunOutput"));
    m_progress->setObjectName(QStringLiteral("barRunProgress"));
    m_outcome->setObjectName(QStringLiteral("lblRunOutcome"));
    m_stop->setObjectName(QStringLiteral("butRunStop"));

    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setMaximumBlockCount(kKeptLines);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_cursor = QTextCursor(m_view->document());
    m_progress->setRange(0, 0); // busy until the encoder says how far it is
    m_progress->setTextVisible(false);
    m_outcome->setText(texts.strRunRunning);

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
    connect(&m_killTimer, &QTimer::timeout, m_process, &QProcess::kill);
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
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

RunWindow *RunWindow::start(const QStringList &command, const QString &folder, const QString &inputName,
                            const MessageTexts &texts)
{
    if (command.isEmpty())
        return nullptr;
    static const bool stopsAtQuit
        = QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, &RunWindow::stopAllAndClose);
    Q_UNUSED(stopsAtQuit);

    auto *window = new RunWindow(texts);
    const QString name = QFileInfo(inputName.trimmed()).fileName();
    window->setWindowTitle((name.isEmpty() ? inputName : name) + QStringLiteral(" - Fenwave"));

    QProcess *process = window->m_process;
    process->setProgram(command.first());
    process->setArguments(command.mid(1));
    process->setWorkingDirectory(folder);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::MergedChannels);
    // A dumb terminal: the encoder writes its progress lines without cursor codes.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TERM"), QStringLiteral("dumb"));
    process->setProcessEnvironment(environment);
    process->start();
    // Returns as soon as the program is running or has failed to; it does not wait for it.
    if (!process->waitForStarted()) {
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
            window->m_process->terminate();
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

void RunWindow::stop()
{
    if (!isRunning() || m_killTimer.isActive())
        return;
    m_process->terminate();
    m_killTimer.start();
    m_stop->setEnabled(false);
    m_outcome->setText(m_texts.strRunStopping);
}

void RunWindow::closeEvent(QCloseEvent *event)
{
    // Closing a running window stops its encoder, as closing a terminal would; the window goes
    // once the encoder has ended.
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
    const QByteArray bytes = m_process->readAllStandardOutput();
    if (bytes.isEmpty())
        return;
    QScrollBar *scroll = m_view->verticalScrollBar();
    const bool followEnd = scroll->value() == scroll->maximum();
    write(QString(m_decoder.decode(bytes)));
    if (followEnd)
        scroll->setValue(scroll->maximum());
}

// A small part of a terminal: CR returns to the start of the line and the next text replaces
// it, LF goes to the next line, backspace steps back, text overwrites what stands after the
// cursor, "ESC [ n A" goes n lines up and "ESC [ K" clears to the end of the line; other
// escape sequences and control characters are dropped.
void RunWindow::write(QStringView text)
{
    qsizetype runStart = -1; // start of a run of plain text
    auto flush = [&](qsizetype end) {
        if (runStart >= 0)
            writeText(text.mid(runStart, end - runStart));
        runStart = -1;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!m_escape.isEmpty()) {
            m_escape += c;
            const char16_t code = c.unicode();
            if (m_escape.size() == 2 && code != u'[') {
                m_escape.clear();
            } else if (m_escape.size() > 2 && code >= 0x40 && code <= 0x7E) {
                const int count = qMax(1, QStringView(m_escape).mid(2, m_escape.size() - 3).toInt());
                if (code == u'A')
                    m_cursor.movePosition(QTextCursor::PreviousBlock, QTextCursor::MoveAnchor, count);
                else if (code == u'K')
                    m_cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
                m_cursor.removeSelectedText();
                m_escape.clear();
            } else if (m_escape.size() > kLongestEscape) {
                m_escape.clear();
            }
            continue;
        }
        if (c.unicode() >= 0x20 || c == u'\t') {
            if (runStart < 0)
                runStart = i;
            continue;
        }
        flush(i);
        switch (c.unicode()) {
        case 0x1B: m_escape = c; break;
        case u'\r':
            endSegment();
            m_cursor.movePosition(QTextCursor::StartOfBlock);
            m_clearLine = true;
            break;
        case u'\n':
            endSegment();
            m_clearLine = false;
            if (!m_cursor.movePosition(QTextCursor::NextBlock)) {
                m_cursor.movePosition(QTextCursor::EndOfBlock);
                m_cursor.insertBlock();
            }
            break;
        case u'\b':
            if (!m_cursor.atBlockStart())
                m_cursor.movePosition(QTextCursor::PreviousCharacter);
            break;
        default: break;
        }
    }
    flush(text.size());
}

void RunWindow::writeText(QStringView text)
{
    m_segment += text;
    if (m_clearLine) {
        m_cursor.movePosition(QTextCursor::StartOfBlock);
        m_cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        m_clearLine = false;
    } else {
        const int over = int(qMin<qsizetype>(text.size(), charactersToEndOfBlock(m_cursor)));
        m_cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, over);
    }
    m_cursor.insertText(text.toString());
}

void RunWindow::endSegment()
{
    if (const std::optional<EncoderProgress> progress = parseEncoderProgress(m_segment)) {
        if (progress->total > 0 && progress->total <= std::numeric_limits<int>::max()) {
            m_progress->setRange(0, int(progress->total));
            m_progress->setValue(int(qMin(progress->done, progress->total)));
        } else {
            m_progress->setRange(0, 0);
        }
    }
    m_segment.clear();
}

void RunWindow::processFinished(int exitCode, QProcess::ExitStatus status)
{
    takeOutput();
    endSegment();
    m_killTimer.stop();
    m_stop->setEnabled(false);
    const bool finished = status == QProcess::NormalExit && exitCode == 0;
    if (m_progress->maximum() == 0)
        m_progress->setRange(0, 1);
    if (finished)
        m_progress->setValue(m_progress->maximum());
    if (finished)
        m_outcome->setText(m_texts.strRunFinished);
    else if (status == QProcess::NormalExit)
        m_outcome->setText(m_texts.strRunFailed.arg(exitCode));
    else // the exit code of a program that died is the number of the signal that ended it
        m_outcome->setText(m_texts.strRunSignal.arg(exitCode));
    if (m_closeWhenFinished)
        deleteLater();
}

} // namespace fenwave
