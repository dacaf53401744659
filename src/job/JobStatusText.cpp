#include "job/JobStatusText.h"

#include "batch/SoundRoute.h"

#include <QtGlobal>

namespace fenwave {

namespace {

QString failureText(const JobStatus &status, const MessageTexts &texts)
{
    switch (status.failure) {
    case JobFailure::ExitStatus:
    case JobFailure::DecoderExitStatus: return texts.strBatchFailedStatus.arg(status.code);
    case JobFailure::Signal: return texts.strBatchFailedSignal.arg(status.code);
    case JobFailure::CannotStart:
        return status.code == 0 ? texts.strBatchFailedStart
                                : texts.strBatchFailedStart + QStringLiteral(": ") + qt_error_string(status.code);
    case JobFailure::CannotCreateOutput: return texts.strBatchFailedCreate.arg(qt_error_string(status.code));
    case JobFailure::CannotPlaceOutput: return texts.strBatchFailedPlace.arg(qt_error_string(status.code));
    case JobFailure::OutputBeingWritten: return texts.strBatchFailedBusy;
    case JobFailure::OutputReadOnly: return texts.strBatchFailedReadOnly;
    case JobFailure::OutputNotRegular: return texts.strBatchFailedNotRegular;
    case JobFailure::CannotWriteCover: return texts.strBatchFailedCover.arg(qt_error_string(status.code));
    case JobFailure::None: break;
    }
    return texts.strBatchFailedStatus.arg(status.code);
}

} // namespace

QString jobStatusText(const JobStatus &status, const MessageTexts &texts, StatusView view, const QString &lastWords)
{
    const bool run = view == StatusView::RunWindow;
    switch (status.state) {
    case JobState::Waiting: return texts.strBatchWaiting;
    case JobState::Encoding: return run ? texts.strRunRunning : texts.strBatchEncoding;
    case JobState::Finished:
        if (run)
            return texts.strRunFinished;
        return status.tagsCut ? texts.strBatchFinishedTagCut : texts.strBatchFinished;
    case JobState::Failed: {
        if (run && status.failure == JobFailure::Signal)
            return texts.strRunSignal.arg(status.code);
        if (run)
            return texts.strRunFailed.arg(status.code);
        // Beside the status, why the encoder says it failed ("Can't init outfile 'x.mp3'").
        const bool encoderEnded = status.failure == JobFailure::ExitStatus || status.failure == JobFailure::Signal
                                  || status.failure == JobFailure::DecoderExitStatus;
        const QString text = failureText(status, texts);
        return encoderEnded && !lastWords.isEmpty() ? text + QStringLiteral(": ") + lastWords : text;
    }
    case JobState::Skipped: break; // the job knows why: skipReasonText()
    case JobState::Stopped: return texts.strBatchStopped;
    }
    return QString();
}

QString skipReasonText(const BatchJob &job, const MessageTexts &texts)
{
    const QString kind = soundKindText(job.kind, texts.language);
    switch (job.skip) {
    case SkipReason::OutputIsInput: return texts.strBatchSkippedIsInput;
    case SkipReason::OutputIsAnotherInput: return texts.strBatchSkippedIsOtherInput;
    case SkipReason::OutputExists: return texts.strBatchSkippedExists;
    case SkipReason::InputNamesNoFile: return texts.strBatchSkippedNoFile;
    case SkipReason::NameNotUtf8: return texts.strBatchSkippedNotUtf8;
    case SkipReason::InputDoesNotExist: return texts.strBatchSkippedMissing;
    case SkipReason::NotSound: return texts.strBatchSkippedNotSound.arg(kind);
    case SkipReason::KindNotRead: return texts.strBatchSkippedNotRead.arg(kind);
    case SkipReason::KindNotOfInputType: return texts.strBatchSkippedWrongType.arg(kind);
    case SkipReason::NeedsDecoder:
        return needsDecoderForChannels(job) ? texts.strBatchSkippedChannelsNeedDecoder.arg(job.channels)
                                            : texts.strBatchSkippedNeedsDecoder.arg(kind);
    case SkipReason::AppearedDuringBatch: return texts.strBatchSkippedAppeared;
    case SkipReason::OutputUpToDate: return texts.strBatchSkippedUpToDate;
    case SkipReason::NotRegularFile: return texts.strBatchSkippedNotRegular;
    case SkipReason::PathTooLong: return texts.strBatchSkippedPathTooLong;
    case SkipReason::InputChanged: return texts.strBatchSkippedChanged.arg(kind);
    case SkipReason::None: break;
    }
    return QString();
}

} // namespace fenwave
