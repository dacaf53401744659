#pragma once

#include "batch/BatchJob.h"
#include "job/JobStatus.h"
#include "language/MessageTexts.h"

#include <QString>

namespace fenwave {

// Where a job's state is told: a line of the batch list, or the outcome line of a run window.
enum class StatusView { BatchList, RunWindow };

// A job's state in the words of `texts`' language. `lastWords`, what the encoder said last,
// follows a failure of the encoder's own ("Failed, exit status 1: Can't init outfile").
QString jobStatusText(const JobStatus &status, const MessageTexts &texts, StatusView view = StatusView::BatchList,
                      const QString &lastWords = QString());
// Why a file of a batch is skipped.
QString skipReasonText(const BatchJob &job, const MessageTexts &texts);

} // namespace fenwave
