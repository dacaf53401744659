#include "ui/BatchJobModel.h"

#include "batch/BatchRunner.h"
#include "job/JobStatusText.h"

#include <QDir>
#include <QtGlobal>

#include <algorithm>

#include <cmath>

namespace fenwave {

namespace {

// The folder part of a path, "/" included: "/a/b/c.wav" gives "/a/b/".
QStringView folderOf(const QString &path)
{
    return QStringView(path).left(path.lastIndexOf(u'/') + 1);
}

// The longest folder, ending in "/", that every name is in; empty when there is none (relative
// names in different places, or no names).
template <class Name> QString commonFolder(const BatchJobs &jobs, Name name)
{
    bool first = true;
    QStringView common;
    for (const BatchJob &job : jobs) {
        const QString &path = name(job);
        if (path.isEmpty())
            continue;
        const QStringView folder = folderOf(path);
        if (first) {
            common = folder;
            first = false;
            continue;
        }
        qsizetype same = 0;
        const qsizetype most = std::min(common.size(), folder.size());
        while (same < most && common[same] == folder[same])
            ++same;
        // Back to the last separator both share: "/a/bc/" and "/a/bd/" share "/a/".
        common = common.left(QStringView(common).left(same).lastIndexOf(u'/') + 1);
        if (common.isEmpty())
            break;
    }
    return common.toString();
}

// A name below the common folder; a name outside it whole.
QString belowFolder(const QString &path, const QString &folder)
{
    return !folder.isEmpty() && path.startsWith(folder) ? path.mid(folder.size()) : path;
}

} // namespace

BatchJobModel::BatchJobModel(const MessageTexts &texts, QObject *parent) : QAbstractTableModel(parent), m_texts(texts)
{
}

void BatchJobModel::setPlannedJobs(const BatchJobs &jobs, const QVector<bool> &replaces)
{
    beginResetModel();
    if (m_runner)
        m_runner->disconnect(this);
    m_runner = nullptr;
    m_planned = jobs;
    m_replaces = replaces;
    findCommonFolders();
    endResetModel();
}

void BatchJobModel::findCommonFolders()
{
    const BatchJobs &jobs = m_runner ? m_runner->jobs() : m_planned;
    m_inputFolder = commonFolder(jobs, [](const BatchJob &job) -> const QString & { return job.input; });
    m_outputFolder = commonFolder(jobs, [](const BatchJob &job) -> const QString & { return job.output; });
}

void BatchJobModel::setRunner(BatchRunner *runner)
{
    beginResetModel();
    if (m_runner)
        m_runner->disconnect(this);
    m_runner = runner;
    m_planned.clear();
    m_replaces.clear();
    findCommonFolders();
    endResetModel();
    if (!runner)
        return;
    // A file done may have taken another output name than planned.
    connect(runner, &BatchRunner::jobChanged, this,
            [this](int row) { emit dataChanged(index(row, OutputColumn), index(row, ProgressColumn)); });
    connect(runner, &BatchRunner::jobProgressed, this,
            [this](int row, double) { emit dataChanged(index(row, StatusColumn), index(row, ProgressColumn)); });
    connect(runner, &BatchRunner::finished, this, &BatchJobModel::refreshStates);
}

void BatchJobModel::refreshStates()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, StatusColumn), index(rowCount() - 1, ProgressColumn));
}

void BatchJobModel::setTexts(const MessageTexts &texts)
{
    m_texts = texts;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    refreshStates();
}

int BatchJobModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_runner ? m_runner->jobCount() : int(m_planned.size());
}

int BatchJobModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const BatchJob &BatchJobModel::jobAt(int row) const
{
    return m_runner ? m_runner->job(row) : m_planned.at(row);
}

QVariant BatchJobModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()
        || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole))
        return QVariant();
    const BatchJob &job = jobAt(index.row());
    // The list shows names below the common folder; the whole name is a hover or a screen
    // reader away.
    const bool whole = role != Qt::DisplayRole;
    switch (index.column()) {
    case FileColumn: return whole ? job.input : belowFolder(job.input, m_inputFolder);
    case OutputColumn: return whole ? job.output : belowFolder(job.output, m_outputFolder);
    case StatusColumn: return statusText(index.row());
    case ProgressColumn: {
        if (job.skipped())
            return QString();
        const double progress = m_runner ? m_runner->status(index.row()).progress : 0.0;
        return QStringLiteral("%1%").arg(int(std::floor(qBound(0.0, progress, 1.0) * 100)));
    }
    default: return QVariant();
    }
}

QVariant BatchJobModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole) {
        // Where the names of the column are.
        if (section == FileColumn && !m_inputFolder.isEmpty())
            return QDir::toNativeSeparators(m_inputFolder);
        if (section == OutputColumn && !m_outputFolder.isEmpty())
            return QDir::toNativeSeparators(m_outputFolder);
        return QVariant();
    }
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case FileColumn: return m_texts.strBatchColumnFile;
    case OutputColumn: return m_texts.strBatchColumnOutput;
    case StatusColumn: return m_texts.strBatchColumnStatus;
    case ProgressColumn: return m_texts.strBatchColumnProgress;
    default: return QVariant();
    }
}

QString BatchJobModel::statusText(int row) const
{
    const BatchJob &job = jobAt(row);
    if (job.skipped())
        return skipReasonText(job, m_texts);
    if (!m_runner)
        return row < m_replaces.size() && m_replaces.at(row) ? m_texts.strBatchWillReplace : m_texts.strBatchWaiting;
    const JobStatus &status = m_runner->status(row);
    if (status.state == JobState::Skipped)
        return skipReasonText(job, m_texts);
    // A file still waiting once the batch has ended or is stopping will not be started.
    if (status.state == JobState::Waiting && (!m_runner->isRunning() || m_runner->isStopping()))
        return m_texts.strBatchNotStarted;
    const QString lastWords = status.state == JobState::Failed ? m_runner->lastWords(row) : QString();
    return jobStatusText(status, m_texts, StatusView::BatchList, lastWords);
}

} // namespace fenwave
