#pragma once

#include "batch/BatchJob.h"
#include "language/MessageTexts.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QVector>

namespace fenwave {

class BatchRunner;
struct JobStatus;

// The files of a batch as rows: the file, its output, its state in words and its progress.
// Before Start the rows are the planned jobs; once a runner is set they follow it. Files and
// outputs are shown below the folder that all of them share; a tooltip and assistive
// technology get every cell's whole text, full paths included.
class BatchJobModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { FileColumn, OutputColumn, StatusColumn, ProgressColumn, ColumnCount };

    explicit BatchJobModel(const MessageTexts &texts, QObject *parent = nullptr);

    // The plan before Start; drops any runner. `replaces` tells, per job, that its output
    // exists and will be replaced (empty: none will).
    void setPlannedJobs(const BatchJobs &jobs, const QVector<bool> &replaces = {});
    // From now on the rows show the runner's jobs and follow its signals.
    void setRunner(BatchRunner *runner);
    void setTexts(const MessageTexts &texts);
    // Every row's state is told again (a Stop turns the waiting files into ones not started).
    void refreshStates();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The state of a row in words, as the status column shows it.
    QString statusText(int row) const;
    // The folders that all files, and all outputs, are in; the columns show names below them.
    QString inputFolder() const { return m_inputFolder; }
    QString outputFolder() const { return m_outputFolder; }

private:
    const BatchJob &jobAt(int row) const;
    void findCommonFolders();

    MessageTexts m_texts;
    BatchJobs m_planned;
    QVector<bool> m_replaces;
    QString m_inputFolder;
    QString m_outputFolder;
    QPointer<BatchRunner> m_runner;
};

} // namespace fenwave
