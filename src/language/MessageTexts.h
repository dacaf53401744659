#pragma once

#include "language/Language.h"

#include <QString>
#include <QtGlobal>

namespace fenwave {

// The program-wide message texts. Empty until a language is applied.
struct MessageTexts {
    QString strLameDialogTitle, strLameFilter, strInputDialogTitle, strOutputDialogTitle, strMusicFilter,
        strConfirmExit, strNoLamePath, strNoInput, strNoOutput, strConfirmRun, strSaveSettingsTitle,
        strLoadSettingsTitle, strAllFilter;
    // Shown when input and output name the same file (the run refuses to overwrite its input).
    // English "Input and output are the same file", Russian "Входной и выходной файлы совпадают".
    QString strSameFile;
    // A program that cannot be started; %1 is the program as the command line names it.
    QString strCannotStart;
    // Asked once more when the program is to end while an encoder runs in a window of ours.
    QString strConfirmStopRuns;
    // The run window: its Stop button and the state or outcome it shows (%1 is a number).
    QString strRunStop, strRunRunning, strRunStopping, strRunFinished, strRunFailed, strRunSignal;
    // Files given on the command line or dropped that are refused (%1 is the name as given).
    QString strTooLargeSettings, strNotUtf8Name, strFolderRefused;
    // A run refused before it starts: a name the command text cannot carry, an output that a
    // watched run is writing (%1 is the file name).
    QString strNameNotOnCommandLine, strOutputBusy;
    // The run window: asked before closing it while its encoder runs, and its outcome when the
    // run was stopped and the output had existed before (%1 is the output file).
    QString strConfirmCloseRun, strOutputIncomplete;
    // The batch window: its title, columns, states, controls and notes (%1, %2... are filled in).
    QString strBatchTitle, strBatchColumnFile, strBatchColumnOutput, strBatchColumnStatus, strBatchColumnProgress,
        strBatchWaiting, strBatchEncoding, strBatchFinished, strBatchFailedStatus, strBatchFailedSignal,
        strBatchFailedStart, strBatchFailedCreate, strBatchFailedPlace, strBatchFailedBusy, strBatchSkippedIsInput,
        strBatchSkippedIsOtherInput, strBatchSkippedExists, strBatchSkippedNoFile, strBatchStopped, strBatchStart,
        strBatchStop, strBatchRetry, strBatchRemove, strBatchShowOutput, strBatchJobs, strBatchOutputDir,
        strBatchOutputDirNone, strBatchChooseDir, strBatchExisting, strBatchExistingSkip, strBatchExistingOverwrite,
        strBatchExistingNumber, strBatchTime, strBatchCounts, strBatchLeftOut, strBatchHandEdit, strBatchSkippedNotUtf8,
        strBatchSkippedMissing;
    // The batch window: the output name pattern (its label, what an empty one means, what a screen
    // reader calls it and tells of it), what a version 1 tag cannot hold, and a file failed because
    // its embedded cover could not be written for the encoder (%1 says why).
    QString strBatchNamePattern, strBatchNamePatternNone, strBatchNamePatternName, strBatchNamePatternHint,
        strBatchVersion1Note, strBatchFailedCover;
    // The batch: a file finished with a tag value cut to what the encoder's argument list holds.
    QString strBatchFinishedTagCut;
    // The batch window: the box that writes the ID3 page's filled fields over each file's own tags
    // (its caption, what a screen reader tells of it), and the note that names those fields by the
    // page's labels (%1), as filling only what a file lacks or as written over every file's.
    QString strBatchPageTagsReplace, strBatchPageTagsHint, strBatchPageTagsFillNote, strBatchPageTagsReplaceNote;
    // Several settings files given at once: %1 lists those not restored.
    QString strSettingsIgnored;
    // What a screen reader calls the parts of the run and batch windows that show no text of
    // their own.
    QString strRunOutputName, strRunProgressName, strBatchListName, strBatchProgressName;
    // What a screen reader tells of each control of the run and batch windows (they show no hints).
    QString strRunOutputHint, strRunProgressHint, strRunStopHint, strBatchListHint, strBatchJobsHint,
        strBatchOutputDirHint, strBatchChooseDirHint, strBatchExistingHint, strBatchProgressHint, strBatchRemoveHint,
        strBatchShowOutputHint, strBatchStartHint, strBatchStopHint, strBatchRetryHint;
    // The batch: a file skipped for what it holds (%1 says what, in the language below).
    QString strBatchSkippedNotSound, strBatchSkippedNotRead, strBatchSkippedWrongType;
    // The batch: a file only the decoder brings to the encoder, and there is none (%1: its kind,
    // or its number of channels).
    QString strBatchSkippedNeedsDecoder, strBatchSkippedChannelsNeedDecoder;
    // A run refused for what its input holds (%1 is the file name, %2 what it holds).
    QString strRunNotSound, strRunNotRead, strRunWrongType;
    // The language of these texts, in which the kinds of files are named.
    Language language = Language::English;
    // A batch file whose output another program made while the batch ran (policy skip), and one
    // whose output to replace nobody may write.
    QString strBatchSkippedAppeared, strBatchFailedReadOnly;
    // A batch file whose output's name another entry holds (a folder, a link to a device, a
    // pipe), which a policy that replaces outputs does not replace.
    QString strBatchFailedNotRegular;
    // The policy that replaces only outputs older than their inputs, and a file it skips.
    QString strBatchExistingUpdate, strBatchSkippedUpToDate;
    // The batch window: a file that will not start after a Stop, an output that will be replaced,
    // the time and the counts once encoders no longer run, the controls that add files, the
    // titles of their dialogs, a drop refused during a run, and what a screen reader tells of
    // the new controls.
    QString strBatchNotStarted, strBatchWillReplace, strBatchElapsed, strBatchListed, strBatchSummary, strBatchNotDone,
        strBatchAddFiles, strBatchAddFolder, strBatchFilesTitle, strBatchFolderTitle, strBatchAddWhileRunning,
        strBatchAddFilesHint, strBatchAddFolderHint;
    // The filter of the batch's file dialogs: every kind of sound file a batch reads, then all files.
    QString strBatchSoundFilter;
    // The batch: an input that is no regular file, one whose path is too long to open, and one
    // that holds another kind than when the batch was planned (%1 says what it holds now).
    QString strBatchSkippedNotRegular, strBatchSkippedPathTooLong, strBatchSkippedChanged;
    // The shell's progress line on a terminal: the share done, files done of all, encoders running,
    // the time so far and the time left.
    QString strShellProgress;
    // A dry run's note after a line whose encoder would also get the input's embedded cover.
    QString strDryRunEmbeddedCover;
    // The batch window: what the name pattern holds that names no field (%1 lists it).
    QString strBatchPatternSlips;
};

// The texts of a language; a number that names no language gives all-empty texts.
MessageTexts messageTextsFor(Language language);

} // namespace fenwave
