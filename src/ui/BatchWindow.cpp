#include "ui/BatchWindow.h"

#include "batch/ClockText.h"
#include "ProgramIdentity.h"

#include "batch/BatchRunner.h"
#include "batch/EncoderProbe.h"
#include "batch/GatherInputs.h"
#include "tags/NamePattern.h"
#include "tags/TagSwitches.h"
#include "ui/AccessibleTexts.h"
#include "ui/BatchJobModel.h"
#include "ui/BatchChoice.h"
#include "ui/BatchListDelegate.h"
#include "ui/Confirmation.h"
#include "ui/FileDrops.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSet>
#include <QSpinBox>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>
#include <utility>

namespace fenwave {

namespace {

// The policies for existing outputs, in the order the list offers them.
constexpr ExistingOutputPolicy kPolicies[] = {ExistingOutputPolicy::Skip, ExistingOutputPolicy::Overwrite,
                                              ExistingOutputPolicy::Number, ExistingOutputPolicy::Update};
constexpr int kProgressSteps = 1000;
constexpr int kProgressIntervalMs = 200;
// Whole rows the list shows with the window at its smallest.
constexpr int kRowsAtSmallest = 4;

// What a screen reader calls and tells of the parts that show no text of their own, or no hint.
// clang-format off
const PartTexts kPartTexts[] = {
    {"lstBatchJobs",      &MessageTexts::strBatchListName,     &MessageTexts::strBatchListHint},
    {"spnBatchJobs",      nullptr,                             &MessageTexts::strBatchJobsHint},
    {"edtBatchOutputDir", nullptr,                             &MessageTexts::strBatchOutputDirHint},
    {"butBatchOutputDir", nullptr,                             &MessageTexts::strBatchChooseDirHint},
    {"cbxBatchExisting",  nullptr,                             &MessageTexts::strBatchExistingHint},
    {"edtBatchNamePattern", &MessageTexts::strBatchNamePatternName, &MessageTexts::strBatchNamePatternHint},
    {"flgPageTagsReplace", nullptr,                            &MessageTexts::strBatchPageTagsHint},
    {"barBatchProgress",  &MessageTexts::strBatchProgressName, &MessageTexts::strBatchProgressHint},
    {"butBatchAddFiles",  nullptr,                             &MessageTexts::strBatchAddFilesHint},
    {"butBatchAddFolder", nullptr,                             &MessageTexts::strBatchAddFolderHint},
    {"butBatchRemove",    nullptr,                             &MessageTexts::strBatchRemoveHint},
    {"butBatchOutput",    nullptr,                             &MessageTexts::strBatchShowOutputHint},
    {"butBatchStart",     nullptr,                             &MessageTexts::strBatchStartHint},
    {"butBatchStop",      nullptr,                             &MessageTexts::strBatchStopHint},
    {"butBatchRetry",     nullptr,                             &MessageTexts::strBatchRetryHint},
};
// clang-format on

// What the encoder wrote, as lines: its progress lines end in a carriage return alone.
QString keptOutputText(const QByteArray &kept)
{
    QString text = QString::fromUtf8(kept);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

// A plan of the list, made on the window's thread or off it.
struct BatchWindow::Plan {
    quint64 number = 0;
    std::vector<BatchInput> inputs; // the list, the files added with this plan included
    BatchJobs jobs;
    QVector<bool> replaces; // per job: its output exists and will be replaced
    JobInputs jobInputs;    // an earlier output found in a folder has no job, and goes with its writer's
    OptionSet options;
    ExistingOutputPolicy existing = ExistingOutputPolicy::Skip;
};

namespace {

// Adds files in list order; a folder adds the audio files inside it that the input type reads.
// A file given again under any spelling (alone and inside a given folder, dropped twice,
// through a link) is listed once.
void addInputs(std::vector<BatchInput> &inputs, const QStringList &paths, int inputType)
{
    if (paths.isEmpty())
        return; // a plan again: nothing to add, and the list's files need not be looked at
    const GatheredInputs gathered = gatherInputs(paths, inputType, inputs);
    for (const GatheredInput &input : gathered.inputs)
        inputs.push_back(input.input);
}

// Touches nothing of the window, and the file system only to read it: it may run on any
// thread.
void makePlan(BatchRequest request, const QStringList &toAdd, int inputType, const OptionSet &options, quint64 number,
              BatchWindow::Plan *plan)
{
    const RealFileFacts facts;
    plan->number = number;
    plan->options = options;
    plan->existing = request.existing;
    addInputs(request.inputs, toAdd, inputType);
    plan->jobs = planBatch(request, facts, plan->jobInputs);
    plan->inputs = std::move(request.inputs);
    // The next plan looks at each file as it is then.
    for (BatchInput &input : plan->inputs)
        input.format.reset();
    if (request.existing != ExistingOutputPolicy::Overwrite && request.existing != ExistingOutputPolicy::Update)
        return;
    plan->replaces.resize(plan->jobs.size());
    for (qsizetype i = 0; i < plan->jobs.size(); ++i)
        plan->replaces[i] = !plan->jobs[i].skipped() && facts.exists(plan->jobs[i].output);
}

} // namespace

BatchWindow::BatchWindow(Source source, const MessageTexts &texts, QWidget *parent)
    : QWidget(parent, Qt::Window), m_source(std::move(source)), m_texts(texts), m_model(new BatchJobModel(texts, this)),
      m_notes(new QLabel(this)), m_list(new QTableView(this)), m_jobsLabel(new QLabel(this)),
      m_jobs(new QSpinBox(this)), m_outputDirLabel(new QLabel(this)), m_outputDir(new QLineEdit(this)),
      m_chooseDir(new QPushButton(this)), m_existingLabel(new QLabel(this)), m_existing(new QComboBox(this)),
      m_progress(new QProgressBar(this)), m_time(new QLabel(this)), m_summary(new QLabel(this)),
      m_addFiles(new QPushButton(this)), m_addFolder(new QPushButton(this)), m_remove(new QPushButton(this)),
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
    m_namePatternLabel = new QLabel(this);
    m_namePattern = new QLineEdit(this);
    m_namePatternLabel->setObjectName(QStringLiteral("lblBatchNamePattern"));
    m_namePattern->setObjectName(QStringLiteral("edtBatchNamePattern"));
    m_pageTagsReplace = new QCheckBox(this);
    m_pageTagsReplace->setObjectName(QStringLiteral("flgPageTagsReplace"));
    m_progress->setObjectName(QStringLiteral("barBatchProgress"));
    m_time->setObjectName(QStringLiteral("lblBatchTime"));
    m_summary->setObjectName(QStringLiteral("lblBatchSummary"));
    m_addFiles->setObjectName(QStringLiteral("butBatchAddFiles"));
    m_addFolder->setObjectName(QStringLiteral("butBatchAddFolder"));
    m_remove->setObjectName(QStringLiteral("butBatchRemove"));
    m_showOutput->setObjectName(QStringLiteral("butBatchOutput"));
    m_start->setObjectName(QStringLiteral("butBatchStart"));
    m_stop->setObjectName(QStringLiteral("butBatchStop"));
    m_retry->setObjectName(QStringLiteral("butBatchRetry"));

    m_notes->setWordWrap(true);
    m_list->setModel(m_model);
    m_list->setItemDelegate(new BatchListDelegate(m_list));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    // Rows of one height, and columns that are not measured against every row: a list of
    // thousands of files stays quick.
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // The file, output and status columns share the width as the list's size changes (see
    // shareColumns); the progress column keeps the room of "100%". None is measured against its
    // rows, and each may be dragged wider.
    QHeaderView *header = m_list->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    m_list->viewport()->installEventFilter(this);
    m_list->setWordWrap(false);
    // Tab leaves the list for the controls below it; the arrow keys move within the list.
    m_list->setTabKeyNavigation(false);
    m_jobs->setRange(1, BatchRunner::mostEncodersAtOnce());
    m_jobs->setValue(BatchRunner::defaultEncodersAtOnce());
    m_existing->addItems({QString(), QString(), QString(), QString()});
    // A screen reader names each setting by the label beside it.
    m_jobsLabel->setBuddy(m_jobs);
    m_outputDirLabel->setBuddy(m_outputDir);
    m_existingLabel->setBuddy(m_existing);
    m_namePatternLabel->setBuddy(m_namePattern);
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
    settings->addWidget(m_namePatternLabel, 3, 0);
    settings->addWidget(m_namePattern, 3, 1);
    settings->addWidget(m_pageTagsReplace, 4, 1);
    settings->setColumnStretch(1, 1);
    auto *progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_time);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_addFiles);
    buttons->addWidget(m_addFolder);
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
    layout->addWidget(m_summary);
    layout->addLayout(buttons);
    resize(860, 480);

    connect(m_start, &QPushButton::clicked, this, &BatchWindow::start);
    connect(m_stop, &QPushButton::clicked, this, &BatchWindow::stop);
    connect(m_retry, &QPushButton::clicked, this, &BatchWindow::retryFailed);
    connect(m_remove, &QPushButton::clicked, this, &BatchWindow::removeSelected);
    connect(m_addFiles, &QPushButton::clicked, this, &BatchWindow::chooseFilesToAdd);
    connect(m_addFolder, &QPushButton::clicked, this, &BatchWindow::chooseFolderToAdd);
    auto *removeKey = new QShortcut(QKeySequence::Delete, m_list, nullptr, nullptr, Qt::WidgetShortcut);
    connect(removeKey, &QShortcut::activated, this, &BatchWindow::removeSelected);
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
    connect(m_namePattern, &QLineEdit::editingFinished, this, [this] {
        if (!m_runner)
            replan();
    });
    // The notes say how the page's fields will be written; the jobs take it with the plan.
    connect(m_pageTagsReplace, &QCheckBox::toggled, this, [this] {
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
    new FileDrops(this, nullptr, [this](const QStringList &paths, DropPlace) {
        if (isRunning()) {
            // Said once the drop is over: a box within it would hold the dragging program.
            QMetaObject::invokeMethod(
                this, [this] { showMessage(this, MessageKind::Notice, m_texts.strBatchAddWhileRunning); },
                Qt::QueuedConnection);
            return false;
        }
        return addFiles(paths);
    });

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
    if (isRunning())
        return false;
    if (m_runner) {
        // The batch has ended: these files make a new list.
        m_runner->disconnect(this);
        m_model->setPlannedJobs({});
        delete m_runner;
        m_runner = nullptr;
        m_inputs.clear();
        m_elapsed.invalidate();
        m_ranFor.reset();
        m_clock.stop();
    }
    // Listed with the next plan, folders read on its thread.
    for (const QString &path : paths)
        m_toAdd << QFileInfo(path).absoluteFilePath();
    replan();
    return true;
}

bool BatchWindow::isRunning() const
{
    return m_runner && m_runner->isRunning();
}

PageTags BatchWindow::pageTags() const
{
    return m_pageTagsReplace->isChecked() ? PageTags::Replace : PageTags::Fill;
}

BatchRequest BatchWindow::request(const OptionSet &options) const
{
    BatchRequest request;
    request.options = options;
    request.inputs = m_inputs;
    const QString folder = m_outputDir->text().trimmed();
    request.outputFolder = folder.isEmpty() ? QString() : QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    request.existing = kPolicies[qBound(0, m_existing->currentIndex(), int(std::size(kPolicies)) - 1)];
    // A pattern of blanks alone names nothing: the outputs keep their inputs' names.
    if (!m_namePattern->text().trimmed().isEmpty())
        request.namePattern = m_namePattern->text();
    request.language = m_texts.language;
    request.routes.decoder = findDecoder();
    request.routes.readStraight = m_readStraight;
    request.pageTags = pageTags();
    return request;
}

// The jobs as they would start now, so that outputs and skips show before Start. A long list
// is planned on a thread of its own; the list shows the plan when it is there.
void BatchWindow::replan()
{
    const OptionSet options = m_source.options();
    m_plannedWith = options;
    showNotes(options);
    // One plan at a time: the next is made once this one is taken, with all that changed.
    if (m_planning) {
        m_replanPending = true;
        return;
    }
    const QStringList toAdd = std::exchange(m_toAdd, QStringList());
    const int inputType = folderInputType(options);
    const quint64 number = ++m_planNumber;
    const bool addsFolder
        = std::any_of(toAdd.begin(), toAdd.end(), [](const QString &path) { return QFileInfo(path).isDir(); });
    const BatchRequest asked = request(options);
    const int planAsideFrom = patternReadsTags(asked.namePattern) ? kPlanAsideWithTagsFrom : kPlanAsideFrom;
    if (!addsFolder && int(m_inputs.size()) + int(toAdd.size()) < planAsideFrom) {
        Plan plan;
        makePlan(asked, toAdd, inputType, options, number, &plan);
        takePlan(plan);
        return;
    }
    m_planning = true;
    updateButtons();
    auto plan = std::make_shared<Plan>();
    QThread *thread = QThread::create(makePlan, asked, toAdd, inputType, options, number, plan.get());
    // The window may go first: the plan is then dropped with the thread.
    connect(thread, &QThread::finished, this, [this, plan] { takePlan(*plan); });
    connect(thread, &QThread::finished, thread, [thread, plan] { thread->deleteLater(); });
    thread->start(QThread::LowPriority);
}

void BatchWindow::takePlan(const Plan &plan)
{
    if (plan.number != m_planNumber || m_runner)
        return;
    m_planning = false;
    m_inputs = plan.inputs;
    m_jobOfInput = plan.jobInputs.jobOfInput;
    m_model->setPlannedJobs(plan.jobs, plan.replaces);
    showProgress();
    updateButtons();
    if (m_replanPending || !m_toAdd.isEmpty()) {
        // Asked for while this plan was made: a Start waits for it.
        m_replanPending = false;
        replan();
        return;
    }
    if (m_startWhenPlanned && !m_probing) {
        // A list without a probed kind starts as planned.
        if (readsAsWave(plan.options) && !m_readStraight && !probedKindsOf(plan.jobs).isEmpty()) {
            probeThenStart(plan);
            return;
        }
        m_startWhenPlanned = false;
        startWith(plan);
    }
}

// Finds out which of the probed kinds in the list the encoder reads itself, then plans again
// with the answer and starts.
void BatchWindow::probeThenStart(const Plan &plan)
{
    m_probing = true;
    auto *probe = new EncoderProbe(m_source.encoder(), probedKindsOf(plan.jobs), this);
    connect(probe, &EncoderProbe::finished, this, [this, probe] {
        m_probing = false;
        m_readStraight = probe->readStraight();
        probe->deleteLater();
        replan();
    });
    probe->start();
}

void BatchWindow::showNotes(const OptionSet &options)
{
    QStringList notes;
    if (!perFileFieldsLeftOut(options).isEmpty())
        notes << m_texts.strBatchLeftOut;
    if (const QList<Field> fields = filledPageTagFields(options); !fields.isEmpty()) {
        QStringList labels;
        for (Field field : fields)
            labels << labelOfField(field, m_texts.language);
        const QString &note
            = pageTags() == PageTags::Replace ? m_texts.strBatchPageTagsReplaceNote : m_texts.strBatchPageTagsFillNote;
        notes << note.arg(labels.join(QStringLiteral(", ")));
    }
    if (commandBoxHoldsHandEdit(options))
        notes << m_texts.strBatchHandEdit;
    if (const FileTagRules rules = fileTagRules(options); rules.carry && !rules.cover)
        notes << m_texts.strBatchVersion1Note;
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
    m_existing->setItemText(3, texts.strBatchExistingUpdate);
    m_namePatternLabel->setText(texts.strBatchNamePattern);
    m_namePattern->setPlaceholderText(texts.strBatchNamePatternNone);
    m_namePattern->setToolTip(texts.strBatchNamePatternHint);
    m_pageTagsReplace->setText(texts.strBatchPageTagsReplace);
    m_addFiles->setText(texts.strBatchAddFiles);
    m_addFolder->setText(texts.strBatchAddFolder);
    m_remove->setText(texts.strBatchRemove);
    m_showOutput->setText(texts.strBatchShowOutput);
    m_start->setText(texts.strBatchStart);
    m_stop->setText(texts.strBatchStop);
    m_retry->setText(texts.strBatchRetry);
    // Room for "100%" and for the column's heading.
    const QFontMetrics metrics = m_list->horizontalHeader()->fontMetrics();
    const int progressWidth = std::max(metrics.horizontalAdvance(texts.strBatchColumnProgress),
                                       metrics.horizontalAdvance(QStringLiteral("100%")));
    m_list->setColumnWidth(BatchJobModel::ProgressColumn, progressWidth + 4 * metrics.averageCharWidth());
    m_list->setMinimumHeight(m_list->horizontalHeader()->sizeHint().height()
                             + kRowsAtSmallest * m_list->verticalHeader()->defaultSectionSize()
                             + 2 * m_list->frameWidth());
    shareColumns();
    nameAndDescribeParts(this, texts, kPartTexts);
    showNotes(m_source.options());
    showProgress();
    // A pattern's fallbacks ("Unknown artist") speak the interface language.
    if (!m_runner && !m_namePattern->text().trimmed().isEmpty())
        replan();
}

void BatchWindow::start()
{
    if (m_runner || m_probing)
        return;
    const QString encoder = m_source.encoder();
    if (encoder.isEmpty()) {
        showMessage(this, MessageKind::Notice, m_texts.strNoLamePath);
        return;
    }
    // The options as they are now: the plan is made again, exists checks included, and the
    // batch starts once it is there (and the encoder has been probed).
    m_readStraight.reset();
    m_startWhenPlanned = true;
    replan();
}

void BatchWindow::startWith(const Plan &plan)
{
    const QString encoder = m_source.encoder();
    if (encoder.isEmpty() || m_runner)
        return;
    m_runner = new BatchRunner(encoder, plan.jobs, QDir::currentPath());
    m_runner->setEncodersAtOnce(m_jobs->value());
    m_runner->setExistingOutputPolicy(plan.existing);
    m_ranFor.reset();
    m_model->setRunner(m_runner);
    connect(m_runner, &BatchRunner::jobChanged, this, &BatchWindow::updateButtons);
    // Progress comes many times a second from every encoder; the counts are told a few times.
    connect(m_runner, &BatchRunner::jobProgressed, this, [this] {
        if (m_sinceShown.isValid() && m_sinceShown.elapsed() < kProgressIntervalMs)
            return;
        showProgress();
    });
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
    // The files that wait will not start now.
    m_model->refreshStates();
    showProgress();
    updateButtons();
}

void BatchWindow::retryFailed()
{
    if (!m_runner || m_runner->isRunning())
        return;
    m_elapsed.start();
    m_ranFor.reset();
    m_clock.start();
    m_runner->retryFailed();
    showProgress();
    updateButtons();
}

void BatchWindow::removeSelected()
{
    // While a plan is made, the rows shown may not be the list's rows.
    if (m_runner || m_planning)
        return;
    QSet<qsizetype> rows;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows())
        rows << index.row();
    // A row takes its input out, and the earlier outputs found in a folder that its job writes.
    std::vector<BatchInput> kept;
    kept.reserve(m_inputs.size());
    for (qsizetype input = 0; input < qsizetype(m_inputs.size()); ++input) {
        if (input >= m_jobOfInput.size() || !rows.contains(m_jobOfInput[input]))
            kept.push_back(std::move(m_inputs[std::size_t(input)]));
    }
    m_inputs = std::move(kept);
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
    // A window of its own, titled with the file's name, that can be made as large as the
    // output needs; several may be open side by side.
    auto *view = new QDialog(this);
    view->setObjectName(QStringLiteral("frmBatchOutput"));
    view->setAttribute(Qt::WA_DeleteOnClose);
    view->setWindowTitle(QFileInfo(m_runner->job(current.row()).input).fileName() + QStringLiteral(" - ")
                         + m_texts.strBatchShowOutput);
    view->setSizeGripEnabled(true);
    auto *status = new QLabel(m_model->statusText(current.row()), view);
    status->setObjectName(QStringLiteral("lblBatchOutputStatus"));
    status->setWordWrap(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *text = new QPlainTextEdit(view);
    text->setObjectName(QStringLiteral("edtBatchOutput"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setPlainText(keptOutputText(kept));
    text->setAccessibleName(m_texts.strRunOutputName);
    text->setAccessibleDescription(m_texts.strRunOutputHint);
    text->moveCursor(QTextCursor::End);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, view);
    connect(buttons, &QDialogButtonBox::rejected, view, &QDialog::reject);
    auto *layout = new QVBoxLayout(view);
    layout->addWidget(status);
    layout->addWidget(text, 1);
    layout->addWidget(buttons);
    view->resize(640, 400);
    view->show();
}

void BatchWindow::chooseFilesToAdd()
{
    const QStringList chosen = askForBatchItems(this, m_texts.strBatchFilesTitle, QStringLiteral("dlgBatchAddFiles"),
                                                m_texts.strBatchSoundFilter);
    if (!chosen.isEmpty())
        addFiles(chosen);
}

void BatchWindow::chooseFolderToAdd()
{
    const QStringList chosen
        = askForBatchItems(this, m_texts.strBatchFolderTitle, QStringLiteral("dlgBatchAddFolder"), QString());
    if (!chosen.isEmpty())
        addFiles(chosen);
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

bool BatchWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list->viewport() && event->type() == QEvent::Resize)
        shareColumns();
    return QWidget::eventFilter(watched, event);
}

// Of the width beside the progress column, three tenths each to the file and the output and
// the rest to the status, whose texts are the longest.
void BatchWindow::shareColumns()
{
    const int width = m_list->viewport()->width() - m_list->columnWidth(BatchJobModel::ProgressColumn);
    const int name = std::max(width * 3 / 10, m_list->horizontalHeader()->minimumSectionSize());
    m_list->setColumnWidth(BatchJobModel::FileColumn, name);
    m_list->setColumnWidth(BatchJobModel::OutputColumn, name);
    m_list->setColumnWidth(BatchJobModel::StatusColumn,
                           std::max(width - 2 * name, m_list->horizontalHeader()->minimumSectionSize()));
}

bool BatchWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && !m_runner && m_source.options() != m_plannedWith)
        replan();
    return QWidget::event(event);
}

void BatchWindow::showProgress()
{
    m_sinceShown.start();
    // The bar fills with what succeeded: failed, stopped and unstarted files leave it short.
    const double finished = m_runner ? m_runner->finishedShare() : 0.0;
    m_progress->setValue(int(qBound(0.0, finished, 1.0) * kProgressSteps));
    // The remaining time is reckoned from all the work done, failures included.
    const double progress = m_runner ? m_runner->overallProgress() : 0.0;
    const qint64 elapsed = m_ranFor ? *m_ranFor : m_elapsed.isValid() ? m_elapsed.elapsed() : 0;
    const bool ending = m_runner && (!isRunning() || m_runner->isStopping());
    if (ending) {
        m_time->setText(m_texts.strBatchElapsed.arg(clockText(elapsed)));
    } else {
        const QString remaining = isRunning() && progress > 0 ? clockText(qint64(elapsed * (1 - progress) / progress))
                                                              : QStringLiteral("--:--");
        m_time->setText(m_texts.strBatchTime.arg(clockText(elapsed), remaining));
    }
    if (!m_runner) {
        m_summary->setText(m_texts.strBatchListed.arg(m_model->rowCount()));
        return;
    }
    const BatchCounts counts = m_runner->counts();
    QString summary = m_texts.strBatchSummary.arg(counts.finished).arg(counts.failed).arg(counts.skipped);
    if (ending && counts.stopped + counts.waiting > 0)
        summary += m_texts.strBatchNotDone.arg(counts.stopped + counts.waiting);
    m_summary->setText(summary);
}

void BatchWindow::batchFinished()
{
    m_clock.stop();
    m_ranFor = m_elapsed.isValid() ? m_elapsed.elapsed() : 0;
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
    m_ranFor.reset();
    replan();
    showMessage(this, MessageKind::Error, m_texts.strCannotStart.arg(notStarted));
}

void BatchWindow::updateButtons()
{
    const bool running = isRunning();
    const bool stopping = running && m_runner->isStopping();
    const bool hasRows = m_model->rowCount() > 0;
    m_start->setEnabled(!m_runner && hasRows && !m_startWhenPlanned);
    m_stop->setEnabled(running && !stopping);
    bool anyToRetry = false;
    if (m_runner && !running) {
        // Stopped files, and those a Stop kept from starting, are tried again too.
        const BatchCounts counts = m_runner->counts();
        anyToRetry = counts.failed + counts.stopped + counts.waiting > 0;
    }
    m_retry->setEnabled(anyToRetry);
    m_remove->setEnabled(!m_runner && !m_planning && m_list->selectionModel()->hasSelection());
    m_addFiles->setEnabled(!running);
    m_addFolder->setEnabled(!running);
    const QModelIndex current = m_list->currentIndex();
    m_showOutput->setEnabled(m_runner && current.isValid() && !m_runner->keptOutput(current.row()).isEmpty());
    for (QWidget *setting :
         {static_cast<QWidget *>(m_outputDir), static_cast<QWidget *>(m_chooseDir), static_cast<QWidget *>(m_existing)})
        setting->setEnabled(!m_runner);
    m_namePattern->setEnabled(!m_runner);
    m_pageTagsReplace->setEnabled(!m_runner);
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
