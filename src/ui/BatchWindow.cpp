#include "ui/BatchWindow.h"

#include "ProgramIdentity.h"

#include "batch/BatchRunner.h"
#include "batch/FolderScan.h"
#include "ui/AccessibleTexts.h"
#include "ui/BatchJobModel.h"
#include "ui/Confirmation.h"
#include "ui/FileDrops.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace fenwave {

namespace {

// The policies for existing outputs, in the order the list offers them.
constexpr ExistingOutputPolicy kPolicies[]
    = {ExistingOutputPolicy::Skip, ExistingOutputPolicy::Overwrite, ExistingOutputPolicy::Number};
constexpr int kProgressSteps = 1000;

QString clockText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return seconds >= 3600 ? QStringLiteral("%1:").arg(seconds / 3600) + minutesAndSeconds : minutesAndSeconds;
}

// What a screen reader calls and tells of the parts that show no text of their own, or no hint.
// clang-format off
const PartTexts kPartTexts[] = {
    {"lstBatchJobs",      &MessageTexts::strBatchListName,     &MessageTexts::strBatchListHint},
    {"spnBatchJobs",      nullptr,                             &MessageTexts::strBatchJobsHint},
    {"edtBatchOutputDir", nullptr,                             &MessageTexts::strBatchOutputDirHint},
    {"butBatchOutputDir", nullptr,                             &MessageTexts::strBatchChooseDirHint},
    {"cbxBatchExisting",  nullptr,                             &MessageTexts::strBatchExistingHint},
    {"barBatchProgress",  &MessageTexts::strBatchProgressName, &MessageTexts::strBatchProgressHint},
    {"butBatchRemove",    nullptr,                             &MessageTexts::strBatchRemoveHint},
    {"butBatchOutput",    nullptr,                             &MessageTexts::strBatchShowOutputHint},
    {"butBatchStart",     nullptr,                             &MessageTexts::strBatchStartHint},
    {"butBatchStop",      nullptr,                             &MessageTexts::strBatchStopHint},
    {"butBatchRetry",     nullptr,                             &MessageTexts::strBatchRetryHint},
};
// clang-format on

} // namespace

BatchWindow::BatchWindow(Source source, const MessageTexts &texts, QWidget *parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source)), m_texts(texts), m_model(new BatchJobModel(texts, this)),
      m_notes(new QLabel(this)), m_list(new QTableView(this)), m_jobsLabel(new QLabel(this)),
      m_jobs(new QSpinBox(this)), m_outputDirLabel(new QLabel(this)), m_outputDir(new QLineEdit(this)),
      m_chooseDir(new QPushButton(this)), m_existingLabel(new QLabel(this)), m_existing(new QComboBox(this)),
      m_progress(new QProgressBar(this)), m_time(new QLabel(this)), m_remove(new QPushButton(this)),
      m_showOutput(new QPushButton(this)), m_start(new QPushButton(this)), m_stop(new QPushButton(this)),
      m_retry(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmBatch"));
    m_notes->setObjectName(QStringLiteral("lblBatchNotes"));
    m_list->setObjectName(QStringLiteral("lstBatchJobs"));
    m_jobsLabel->setObjectName(QStringLiteral("lblBatchJobs"));
    m_jobs->setObjectName(QStringLiteral("spnBatchJobs"));
    m_outputDirLabel->setObjectName(QStringLiteral("lblBatchOutputDir"));
    m_outputDir->setObjectName(QStringLiteral("edtBatchOutputDir"));
    m_chooseDir->setObjectName(QStringLiteral("butBatchOutputDir"));
    m_existingLabel->setObjectName(QStringLiteral("lblBatchExisting"));
    m_existing->setObjectName(QStringLiteral("cbxBatchExisting"));
    // The policy names differ in length between the languages: each shows whole.
    m_existing->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_progress->setObjectName(QStringLiteral("barBatchProgress"));
    m_time->setObjectName(QStringLiteral("lblBatchTime"));
    m_remove->setObjectName(QStringLiteral("butBatchRemove"));
    m_showOutput->setObjectName(QStringLiteral("butBatchOutput"));
    m_start->setObjectName(QStringLiteral("butBatchStart"));
    m_stop->setObjectName(QStringLiteral("butBatchStop"));
    m_retry->setObjectName(QStringLiteral("butBatchRetry"));

    m_notes->setWordWrap(true);
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    // Rows of one height, and columns that are not measured against every row: a list of
    // thousands of files stays quick.
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->setColumnWidth(BatchJobModel::FileColumn, 240);
    m_list->setColumnWidth(BatchJobModel::OutputColumn, 240);
    m_list->setColumnWidth(BatchJobModel::StatusColumn, 220);
    m_list->setWordWrap(false);
    m_list->setTextElideMode(Qt::ElideLeft);
    // Tab leaves the list for the controls below it; the arrow keys move within the list.
    m_list->setTabKeyNavigation(false);
    m_jobs->setRange(1, BatchRunner::mostEncodersAtOnce());
    m_jobs->setValue(BatchRunner::defaultEncodersAtOnce());
    m_existing->addItems({QString(), QString(), QString()});
    // A screen reader names each setting by the label beside it.
    m_jobsLabel->setBuddy(m_jobs);
    m_outputDirLabel->setBuddy(m_outputDir);
    m_existingLabel->setBuddy(m_existing);
    m_progress->setRange(0, kProgressSteps);
    m_progress->setValue(0);
    m_stop->setEnabled(false);
    m_retry->setEnabled(false);
    m_clock.setInterval(1000);

    auto *settings = new QGridLayout;
    settings->addWidget(m_jobsLabel, 0, 0);
    settings->addWidget(m_jobs, 0, 1, Qt::AlignLeft);
    settings->addWidget(m_outputDirLabel, 1, 0);
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_outputDir, 1);
    folderRow->addWidget(m_chooseDir);
    settings->addLayout(folderRow, 1, 1);
    settings->addWidget(m_existingLabel, 2, 0);
    settings->addWidget(m_existing, 2, 1, Qt::AlignLeft);
    settings->setColumnStretch(1, 1);
    auto *progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_time);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_remove);
    buttons->addWidget(m_showOutput);
    buttons->addStretch(1);
    buttons->addWidget(m_start);
    buttons->addWidget(m_stop);
    buttons->addWidget(m_retry);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_notes);
    layout->addWidget(m_list, 1);
    layout->addLayout(settings);
    layout->addLayout(progressRow);
    layout->addLayout(buttons);
    resize(860, 480);

    connect(m_start, &QPushButton::clicked, this, &BatchWindow::start);
    connect(m_stop, &QPushButton::clicked, this, &BatchWindow::stop);
    connect(m_retry, &QPushButton::clicked, this, &BatchWindow::retryFailed);
    connect(m_remove, &QPushButton::clicked, this, &BatchWindow::removeSelected);
    connect(m_showOutput, &QPushButton::clicked, this, &BatchWindow::showKeptOutput);
    connect(m_list, &QTableView::doubleClicked, this, &BatchWindow::showKeptOutput);
    connect(m_chooseDir, &QPushButton::clicked, this, &BatchWindow::chooseOutputFolder);
    connect(m_outputDir, &QLineEdit::editingFinished, this, [this] {
        if (!m_runner)
            replan();
    });
    connect(m_existing, qOverload<int>(&QComboBox::activated), this, [this] {
        if (!m_runner)
            replan();
    });
    connect(m_jobs, qOverload<int>(&QSpinBox::valueChanged), this, [this](int count) {
        if (m_runner)
            m_runner->setEncodersAtOnce(count);
    });
    connect(&m_clock, &QTimer::timeout, this, &BatchWindow::showProgress);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &BatchWindow::updateButtons);
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, &BatchWindow::updateButtons);
    new FileDrops(this, nullptr, [this](const QStringList &paths, DropPlace) { return addFiles(paths); });

    setTexts(texts);
    replan();
}

BatchWindow::~BatchWindow()
{
    // The runner goes with the window; its encoders are killed and their files removed.
    if (m_runner) {
        m_runner->disconnect(this);
        m_runner->disconnect(m_model);
        delete m_runner;
    }
}

bool BatchWindow::addFiles(const QStringList &paths)
{
    if (m_runner)
        return false;
    const int inputType = m_source.options().index(Field::rgrInputType);
    // A file given again (alone and inside a given folder, or dropped twice) is listed once.
    QSet<QString> listed;
    for (const BatchInput &input : m_inputs)
        listed.insert(input.path);
    const auto add = [&](const QString &file, const QString &folder) {
        if (!listed.contains(file)) {
            listed.insert(file);
            m_inputs.push_back({file, folder});
        }
    };
    for (const QString &path : paths) {
        const QString fullPath = QFileInfo(path).absoluteFilePath();
        if (QFileInfo(fullPath).isDir()) {
            for (const QString &file : listAudioFiles(fullPath, inputType))
                add(file, fullPath);
        } else {
            add(fullPath, QString());
        }
    }
    replan();
    return true;
}

bool BatchWindow::isRunning() const
{
    return m_runner && m_runner->isRunning();
}

BatchRequest BatchWindow::request(const OptionSet &options) const
{
    BatchRequest request;
    request.options = options;
    request.inputs = m_inputs;
    const QString folder = m_outputDir->text().trimmed();
    request.outputFolder = folder.isEmpty() ? QString() : QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    request.existing = kPolicies[qBound(0, m_existing->currentIndex(), 2)];
    return request;
}

// The jobs as they would start now, so that outputs and skips show before Start.
void BatchWindow::replan()
{
    const OptionSet options = m_source.options();
    const std::vector<BatchJob> jobs = planBatch(request(options), RealFileFacts());
    m_model->setPlannedJobs(QVector<BatchJob>(jobs.begin(), jobs.end()));
    m_plannedWith = options;
    showNotes(options);
    showProgress();
    updateButtons();
}

void BatchWindow::showNotes(const OptionSet &options)
{
    QStringList notes;
    if (!perFileFieldsLeftOut(options).isEmpty())
        notes << m_texts.strBatchLeftOut;
    if (commandBoxHoldsHandEdit(options))
        notes << m_texts.strBatchHandEdit;
    m_notes->setText(notes.join(u'\n'));
    m_notes->setVisible(!notes.isEmpty());
}

void BatchWindow::setTexts(const MessageTexts &texts)
{
    m_texts = texts;
    setWindowTitle(texts.strBatchTitle + QStringLiteral(" - ") + QString::fromLatin1(kProgramTitle));
    m_model->setTexts(texts);
    m_jobsLabel->setText(texts.strBatchJobs);
    m_outputDirLabel->setText(texts.strBatchOutputDir);
    m_outputDir->setPlaceholderText(texts.strBatchOutputDirNone);
    m_chooseDir->setText(texts.strBatchChooseDir);
    m_existingLabel->setText(texts.strBatchExisting);
    m_existing->setItemText(0, texts.strBatchExistingSkip);
    m_existing->setItemText(1, texts.strBatchExistingOverwrite);
    m_existing->setItemText(2, texts.strBatchExistingNumber);
    m_remove->setText(texts.strBatchRemove);
    m_showOutput->setText(texts.strBatchShowOutput);
    m_start->setText(texts.strBatchStart);
    m_stop->setText(texts.strBatchStop);
    m_retry->setText(texts.strBatchRetry);
    nameAndDescribeParts(this, texts, kPartTexts);
    showNotes(m_source.options());
    showProgress();
}

void BatchWindow::start()
{
    if (m_runner)
        return;
    const QString encoder = m_source.encoder();
    if (encoder.isEmpty()) {
        QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(kProgramTitle), m_texts.strNoLamePath, QMessageBox::Ok,
                        this);
        keepProgramButtonTexts(box);
        box.exec();
        return;
    }
    // The options as they are now: the plan is made again, exists checks included.
    const OptionSet options = m_source.options();
    const std::vector<BatchJob> jobs = planBatch(request(options), RealFileFacts());
    showNotes(options);
    m_runner = new BatchRunner(encoder, QVector<BatchJob>(jobs.begin(), jobs.end()), QDir::currentPath());
    m_runner->setEncodersAtOnce(m_jobs->value());
    m_model->setRunner(m_runner);
    connect(m_runner, &BatchRunner::jobChanged, this, &BatchWindow::updateButtons);
    connect(m_runner, &BatchRunner::jobProgressed, this, &BatchWindow::showProgress);
    connect(m_runner, &BatchRunner::finished, this, &BatchWindow::batchFinished);
    m_elapsed.start();
    m_clock.start();
    m_runner->start();
    showProgress();
    updateButtons();
}

void BatchWindow::stop()
{
    if (isRunning())
        m_runner->stop();
    updateButtons();
}

void BatchWindow::retryFailed()
{
    if (!m_runner || m_runner->isRunning())
        return;
    m_elapsed.start();
    m_clock.start();
    m_runner->retryFailed();
    showProgress();
    updateButtons();
}

void BatchWindow::removeSelected()
{
    if (m_runner)
        return;
    QList<int> rows;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows) {
        if (row >= 0 && row < int(m_inputs.size()))
            m_inputs.erase(m_inputs.begin() + row);
    }
    replan();
}

void BatchWindow::showKeptOutput()
{
    if (!m_runner)
        return;
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid())
        return;
    const QByteArray kept = m_runner->keptOutput(current.row());
    if (kept.isEmpty())
        return;
    QMessageBox box(QMessageBox::NoIcon, m_texts.strBatchShowOutput, m_model->statusText(current.row()),
                    QMessageBox::Ok, this);
    box.setDetailedText(QString::fromUtf8(kept));
    keepProgramButtonTexts(box);
    box.exec();
}

void BatchWindow::closeEvent(QCloseEvent *event)
{
    if (isRunning() && !m_runner->isStopping() && !askToConfirm(this, m_texts.strConfirmCloseRun)) {
        event->ignore();
        return;
    }
    // The encoders may have ended while the question was open.
    if (isRunning()) {
        m_closeWhenFinished = true;
        m_runner->stop();
    } else {
        deleteLater();
    }
    event->accept();
}

bool BatchWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !m_runner && m_source.options() != m_plannedWith)
        replan();
    return QWidget::event(event);
}

void BatchWindow::showProgress()
{
    const double progress = m_runner ? m_runner->overallProgress() : 0.0;
    m_progress->setValue(int(qBound(0.0, progress, 1.0) * kProgressSteps));
    const qint64 elapsed = m_elapsed.isValid() ? m_elapsed.elapsed() : 0;
    QString remaining = QStringLiteral("--:--");
    if (isRunning() && progress > 0)
        remaining = clockText(qint64(elapsed * (1 - progress) / progress));
    else if (m_runner && !isRunning())
        remaining = clockText(0);
    m_time->setText(m_texts.strBatchTime.arg(clockText(elapsed), remaining));
}

void BatchWindow::batchFinished()
{
    m_clock.stop();
    showProgress();
    updateButtons();
    if (m_closeWhenFinished) {
        deleteLater();
        return;
    }
    const QString notStarted = m_runner->programNotStarted();
    if (notStarted.isEmpty())
        return;
    // Nothing was encoded: the files wait for Start again, once another encoder is chosen.
    m_runner->disconnect(this);
    m_runner->disconnect(m_model);
    m_runner->deleteLater();
    m_runner = nullptr;
    m_elapsed.invalidate();
    replan();
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(kProgramTitle), m_texts.strCannotStart.arg(notStarted),
                    QMessageBox::Ok, this);
    keepProgramButtonTexts(box);
    box.exec();
}

void BatchWindow::updateButtons()
{
    const bool running = isRunning();
    const bool stopping = running && m_runner->isStopping();
    const bool hasRows = m_model->rowCount() > 0;
    m_start->setEnabled(!m_runner && hasRows);
    m_stop->setEnabled(running && !stopping);
    bool anyToRetry = false;
    if (m_runner && !running) {
        const BatchCounts counts = m_runner->counts();
        anyToRetry = counts.failed + counts.stopped > 0;
    }
    m_retry->setEnabled(anyToRetry);
    m_remove->setEnabled(!m_runner && m_list->selectionModel()->hasSelection());
    const QModelIndex current = m_list->currentIndex();
    m_showOutput->setEnabled(m_runner && current.isValid() && !m_runner->keptOutput(current.row()).isEmpty());
    for (QWidget *setting :
         {static_cast<QWidget *>(m_outputDir), static_cast<QWidget *>(m_chooseDir), static_cast<QWidget *>(m_existing)})
        setting->setEnabled(!m_runner);
}

void BatchWindow::chooseOutputFolder()
{
    // The label's text without its colon: a window title ends in none.
    QString title = m_texts.strBatchOutputDir;
    if (title.endsWith(u':'))
        title.chop(1);
    // Qt's own dialog, as the main window's: it speaks the interface language.
    const QString chosen = QFileDialog::getExistingDirectory(
        this, title, m_outputDir->text(), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (chosen.isEmpty())
        return;
    m_outputDir->setText(chosen);
    replan();
}

} // namespace fenwave
