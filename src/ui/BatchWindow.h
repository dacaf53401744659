#pragma once

#include "batch/BatchPlan.h"
#include "language/MessageTexts.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;

namespace fenwave {

class BatchJobModel;
class BatchRunner;

// Many files encoded with the main window's options, several encoders at once: the list of
// files with their outputs and states, the overall progress and counts, how many encoders run
// at once, where the outputs go and what happens to outputs that exist. Files are added (drops,
// Add files, Add folder) and removed until Start; a drop once the batch has ended starts a new
// list. The options and the encoder are taken from the main window at Start. A long list is
// planned on a thread of its own, so that the window keeps answering.
class BatchWindow : public QWidget
{
    Q_OBJECT
public:
    // What the batch takes from the main window when it starts.
    struct Source {
        std::function<OptionSet()> options;
        std::function<QString()> encoder; // the encoder program; empty when none is chosen
    };

    BatchWindow(Source source, const MessageTexts &texts, QWidget *parent = nullptr);
    ~BatchWindow() override;

    // Adds files in list order; a folder adds the audio files inside it that the input type
    // chosen now reads. Nothing is added while the batch runs: false then. Once it has ended,
    // the files start a new list.
    bool addFiles(const QStringList &paths);
    // A list this long or longer is planned off the window's thread; when a name pattern needs
    // each file's tags, from this many on.
    static constexpr int kPlanAsideFrom = 2000;
    static constexpr int kPlanAsideWithTagsFrom = 200;
    // The jobs of the list as planned, with the options they were planned with.
    struct Plan;
    // A plan is being made; the list shows the one before it.
    bool isPlanning() const { return m_planning; }
    void setTexts(const MessageTexts &texts);

    bool isRunning() const;
    // How the ID3 page's filled fields meet each file's own tags in the batch to come.
    PageTags pageTags() const;
    BatchRunner *runner() const { return m_runner; }
    BatchJobModel *model() const { return m_model; }

public slots:
    void start();
    void stop();
    void retryFailed();
    void removeSelected();
    void showKeptOutput();
    void chooseFilesToAdd();
    void chooseFolderToAdd();

protected:
    // Closing while encoders run asks first; yes stops them, and the window goes once they end.
    void closeEvent(QCloseEvent *event) override;
    // Coming back from the main window: the outputs and notes follow options changed there.
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    BatchRequest request(const OptionSet &options) const;
    void replan();
    void takePlan(const Plan &plan);
    void startWith(const Plan &plan);
    void probeThenStart(const Plan &plan);
    void showNotes(const OptionSet &options);
    void showProgress();
    void batchFinished();
    void updateButtons();
    void chooseOutputFolder();
    void shareColumns();

    Source m_source;
    MessageTexts m_texts;
    std::vector<BatchInput> m_inputs;
    // The row of each of m_inputs: an earlier output found in a folder has none of its own.
    QList<qsizetype> m_jobOfInput;
    OptionSet m_plannedWith; // the options of the plan shown
    BatchJobModel *m_model;
    BatchRunner *m_runner = nullptr;
    bool m_closeWhenFinished = false;
    bool m_planning = false;
    bool m_startWhenPlanned = false;
    bool m_replanPending = false; // asked for while a plan was being made
    QStringList m_toAdd;          // files and folders given since the last plan was asked for
    quint64 m_planNumber = 0;     // of the latest plan asked for; older ones that arrive are dropped
    QElapsedTimer m_elapsed;
    QElapsedTimer m_sinceShown; // since the progress and counts were last shown
    QTimer m_clock;
    // How long the batch ran, once it has ended: the time shown no longer grows.
    std::optional<qint64> m_ranFor;
    // Start waits for the encoder probe.
    bool m_probing = false;
    // The probed kinds the encoder read at the last Start; none before.
    std::optional<QList<SoundKind>> m_readStraight;

    QLabel *m_notes;
    QTableView *m_list;
    QLabel *m_jobsLabel;
    QSpinBox *m_jobs;
    QLabel *m_outputDirLabel;
    QLineEdit *m_outputDir;
    QPushButton *m_chooseDir;
    QLabel *m_existingLabel;
    QComboBox *m_existing;
    QLabel *m_namePatternLabel = nullptr;
    QLineEdit *m_namePattern = nullptr;
    QCheckBox *m_pageTagsReplace = nullptr;
    QProgressBar *m_progress;
    QLabel *m_time;
    QLabel *m_summary;
    QPushButton *m_addFiles;
    QPushButton *m_addFolder;
    QPushButton *m_remove;
    QPushButton *m_showOutput;
    QPushButton *m_start;
    QPushButton *m_stop;
    QPushButton *m_retry;
};

} // namespace fenwave
