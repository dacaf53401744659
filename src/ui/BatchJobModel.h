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
// Before Start the rows are the planned jobs; once a runner is set they follow it. Every cell
// is given as text for display and for assistive technology alike.
class BatchJobModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { FileColumn, OutputColumn, StatusColumn, ProgressColumn, ColumnCount };

    explicit BatchJobModel(const MessageTexts &texts, QObject *parent = nullptr);

    // The plan before Start; drops any runner.
    void setPlannedJobs(const QVector<BatchJob> &jobs);
    // From now on the rows show the runner's jobs and follow its signals.
    void setRunner(BatchRunner *runner);
    void setTexts(const MessageTexts &texts);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The state of a row in words, as the status column shows it.
    QString statusText(int row) const;

private:
    const BatchJob &jobAt(int row) const;
    QString skipText(const BatchJob &job) const;
    QString failureText(const JobStatus &status) const;

    MessageTexts m_texts;
    QVector<BatchJob> m_planned;
    QPointer<BatchRunner> m_runner;
};

} // namespace fenwave
