// Expected values kept as data under tests/data/expected, written apart from the product's tables.
#pragma once

#include "TestFiles.h"
#include "language/MessageTexts.h"

#include <QHash>
#include <QList>
#include <QStringList>

namespace testing {

// The text between the first and the last double quote, with each ␉ read as a tab.
inline QString quoted(const QString &column)
{
    const qsizetype first = column.indexOf(u'"'), last = column.lastIndexOf(u'"');
    if (first < 0 || last == first)
        qFatal("no quoted text in \"%s\"", qPrintable(column));
    return column.mid(first + 1, last - first - 1).replace(QChar(0x2409), u'\t');
}

// The rows of a data file split at tabs, without comment and empty lines. A column that
// begins with a double quote holds a quoted text and is given without its quotes.
inline QList<QStringList> expectedRows(const char *file)
{
    const QStringList lines = readLines(QStringLiteral(FENWAVE_TEST_DATA "/expected/") + QLatin1String(file));
    if (lines.isEmpty())
        qFatal("no expected data in %s", file);
    QList<QStringList> rows;
    for (const QString &line : lines) {
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        QStringList columns = line.split(u'\t');
        for (QString &column : columns) {
            if (column.startsWith(u'"'))
                column = quoted(column);
        }
        rows << columns;
    }
    return rows;
}

// The rows whose column `at` holds `value`, each without that column.
inline QList<QStringList> expectedRows(const char *file, int at, const QString &value)
{
    QList<QStringList> rows;
    for (QStringList row : expectedRows(file)) {
        if (row.value(at) == value) {
            row.removeAt(at);
            rows << row;
        }
    }
    return rows;
}

// The controls a fresh window shows disabled (start_disabled.tsv); with `what` ("field",
// "group") only those of that kind.
inline QStringList startDisabled(const char *what = nullptr)
{
    QStringList names;
    for (const QStringList &row : expectedRows("start_disabled.tsv")) {
        if (!what || row.value(1) == QLatin1String(what))
            names << row.at(0);
    }
    return names;
}

// The controls that ticking "Use default settings" makes unavailable (interlocks.tsv); with
// `lockedOnly` only those that stay so while it is ticked.
inline QStringList defaultGoverned(bool lockedOnly = false)
{
    QStringList names;
    for (const QStringList &row : expectedRows("interlocks.tsv", 0, QStringLiteral("default"))) {
        if (!lockedOnly || row.value(1) == QLatin1String("locked"))
            names << row.at(0);
    }
    return names;
}

// The controls whose left edge follows the interface language, each with its edge in that
// language (left_edges.tsv).
inline QList<QPair<QString, int>> leftEdges(fenwave::Language language)
{
    QList<QPair<QString, int>> edges;
    for (const QStringList &row : expectedRows("left_edges.tsv"))
        edges << qMakePair(row.at(0), row.at(language == fenwave::Language::Russian ? 2 : 1).toInt());
    return edges;
}

// How a settings key is stored, as settings_keys.tsv gives it.
enum class StoredAs { Flag, Integer, Text };

// The row of settings_keys.tsv for a key name, read once.
inline const QStringList &settingsKeyRow(const char *key)
{
    static const QHash<QString, QStringList> rows = [] {
        QHash<QString, QStringList> byKey;
        for (const QStringList &row : expectedRows("settings_keys.tsv"))
            byKey.insert(row.value(0), row);
        return byKey;
    }();
    const auto it = rows.constFind(QLatin1String(key));
    if (it == rows.constEnd())
        qFatal("settings_keys.tsv has no key %s", key);
    return *it;
}

inline StoredAs storedAs(const char *key)
{
    const QString &kind = settingsKeyRow(key).at(1);
    if (kind == QLatin1String("flag"))
        return StoredAs::Flag;
    return kind == QLatin1String("integer") ? StoredAs::Integer : StoredAs::Text;
}

// The value restoring gives a key that is missing, as the file would hold it; a null text for a
// key that keeps the control's state.
inline QString restoreDefault(const char *key)
{
    const QString value = settingsKeyRow(key).value(3);
    return value == QLatin1String("unchanged") ? QString() : value;
}

// The interface texts of a language file (language_en.tsv, language_ru.tsv) of one property, in order.
inline QList<QStringList> expectedTexts(const char *file, const char *property)
{
    return expectedRows(file, 1, QLatin1String(property));
}

// The last column of each row.
inline QStringList lastColumn(const QList<QStringList> &rows)
{
    QStringList texts;
    for (const QStringList &row : rows)
        texts << row.constLast();
    return texts;
}

// The message texts of a set by their names, as a language file lists them.
inline QList<QStringList> messageTexts(const fenwave::MessageTexts &m)
{
    return {{"strLameDialogTitle", m.strLameDialogTitle},
            {"strLameFilter", m.strLameFilter},
            {"strInputDialogTitle", m.strInputDialogTitle},
            {"strOutputDialogTitle", m.strOutputDialogTitle},
            {"strMusicFilter", m.strMusicFilter},
            {"strConfirmExit", m.strConfirmExit},
            {"strNoLamePath", m.strNoLamePath},
            {"strNoInput", m.strNoInput},
            {"strNoOutput", m.strNoOutput},
            {"strConfirmRun", m.strConfirmRun},
            {"strSaveSettingsTitle", m.strSaveSettingsTitle},
            {"strLoadSettingsTitle", m.strLoadSettingsTitle},
            {"strAllFilter", m.strAllFilter},
            {"strSameFile", m.strSameFile},
            {"strCannotStart", m.strCannotStart},
            {"strConfirmStopRuns", m.strConfirmStopRuns},
            {"strRunStop", m.strRunStop},
            {"strRunRunning", m.strRunRunning},
            {"strRunStopping", m.strRunStopping},
            {"strRunFinished", m.strRunFinished},
            {"strRunFailed", m.strRunFailed},
            {"strRunSignal", m.strRunSignal},
            {"strTooLargeSettings", m.strTooLargeSettings},
            {"strNotUtf8Name", m.strNotUtf8Name},
            {"strFolderRefused", m.strFolderRefused},
            {"strNameNotOnCommandLine", m.strNameNotOnCommandLine},
            {"strOutputBusy", m.strOutputBusy},
            {"strConfirmCloseRun", m.strConfirmCloseRun},
            {"strOutputIncomplete", m.strOutputIncomplete},
            {"strBatchTitle", m.strBatchTitle},
            {"strBatchColumnFile", m.strBatchColumnFile},
            {"strBatchColumnOutput", m.strBatchColumnOutput},
            {"strBatchColumnStatus", m.strBatchColumnStatus},
            {"strBatchColumnProgress", m.strBatchColumnProgress},
            {"strBatchWaiting", m.strBatchWaiting},
            {"strBatchEncoding", m.strBatchEncoding},
            {"strBatchFinished", m.strBatchFinished},
            {"strBatchFinishedTagCut", m.strBatchFinishedTagCut},
            {"strBatchFailedStatus", m.strBatchFailedStatus},
            {"strBatchFailedSignal", m.strBatchFailedSignal},
            {"strBatchFailedStart", m.strBatchFailedStart},
            {"strBatchFailedCreate", m.strBatchFailedCreate},
            {"strBatchFailedPlace", m.strBatchFailedPlace},
            {"strBatchFailedBusy", m.strBatchFailedBusy},
            {"strBatchSkippedIsInput", m.strBatchSkippedIsInput},
            {"strBatchSkippedIsOtherInput", m.strBatchSkippedIsOtherInput},
            {"strBatchSkippedExists", m.strBatchSkippedExists},
            {"strBatchSkippedNoFile", m.strBatchSkippedNoFile},
            {"strBatchStopped", m.strBatchStopped},
            {"strBatchStart", m.strBatchStart},
            {"strBatchStop", m.strBatchStop},
            {"strBatchRetry", m.strBatchRetry},
            {"strBatchRemove", m.strBatchRemove},
            {"strBatchShowOutput", m.strBatchShowOutput},
            {"strBatchJobs", m.strBatchJobs},
            {"strBatchOutputDir", m.strBatchOutputDir},
            {"strBatchOutputDirNone", m.strBatchOutputDirNone},
            {"strBatchChooseDir", m.strBatchChooseDir},
            {"strBatchExisting", m.strBatchExisting},
            {"strBatchExistingSkip", m.strBatchExistingSkip},
            {"strBatchExistingOverwrite", m.strBatchExistingOverwrite},
            {"strBatchExistingNumber", m.strBatchExistingNumber},
            {"strBatchExistingUpdate", m.strBatchExistingUpdate},
            {"strBatchTime", m.strBatchTime},
            {"strBatchCounts", m.strBatchCounts},
            {"strBatchLeftOut", m.strBatchLeftOut},
            {"strBatchHandEdit", m.strBatchHandEdit},
            {"strBatchPageTagsReplace", m.strBatchPageTagsReplace},
            {"strBatchPageTagsHint", m.strBatchPageTagsHint},
            {"strBatchPageTagsFillNote", m.strBatchPageTagsFillNote},
            {"strBatchPageTagsReplaceNote", m.strBatchPageTagsReplaceNote},
            {"strBatchNamePattern", m.strBatchNamePattern},
            {"strBatchNamePatternNone", m.strBatchNamePatternNone},
            {"strBatchNamePatternName", m.strBatchNamePatternName},
            {"strBatchNamePatternHint", m.strBatchNamePatternHint},
            {"strBatchVersion1Note", m.strBatchVersion1Note},
            {"strBatchFailedCover", m.strBatchFailedCover},
            {"strSettingsIgnored", m.strSettingsIgnored},
            {"strRunOutputName", m.strRunOutputName},
            {"strRunProgressName", m.strRunProgressName},
            {"strBatchListName", m.strBatchListName},
            {"strBatchProgressName", m.strBatchProgressName},
            {"strRunOutputHint", m.strRunOutputHint},
            {"strRunProgressHint", m.strRunProgressHint},
            {"strRunStopHint", m.strRunStopHint},
            {"strBatchListHint", m.strBatchListHint},
            {"strBatchJobsHint", m.strBatchJobsHint},
            {"strBatchOutputDirHint", m.strBatchOutputDirHint},
            {"strBatchChooseDirHint", m.strBatchChooseDirHint},
            {"strBatchExistingHint", m.strBatchExistingHint},
            {"strBatchProgressHint", m.strBatchProgressHint},
            {"strBatchRemoveHint", m.strBatchRemoveHint},
            {"strBatchShowOutputHint", m.strBatchShowOutputHint},
            {"strBatchStartHint", m.strBatchStartHint},
            {"strBatchStopHint", m.strBatchStopHint},
            {"strBatchRetryHint", m.strBatchRetryHint},
            {"strBatchSkippedAppeared", m.strBatchSkippedAppeared},
            {"strBatchSkippedUpToDate", m.strBatchSkippedUpToDate},
            {"strBatchFailedReadOnly", m.strBatchFailedReadOnly},
            {"strBatchFailedNotRegular", m.strBatchFailedNotRegular},
            {"strBatchNotStarted", m.strBatchNotStarted},
            {"strBatchWillReplace", m.strBatchWillReplace},
            {"strBatchElapsed", m.strBatchElapsed},
            {"strBatchListed", m.strBatchListed},
            {"strBatchSummary", m.strBatchSummary},
            {"strBatchNotDone", m.strBatchNotDone},
            {"strBatchAddFiles", m.strBatchAddFiles},
            {"strBatchAddFolder", m.strBatchAddFolder},
            {"strBatchFilesTitle", m.strBatchFilesTitle},
            {"strBatchFolderTitle", m.strBatchFolderTitle},
            {"strBatchAddWhileRunning", m.strBatchAddWhileRunning},
            {"strBatchAddFilesHint", m.strBatchAddFilesHint},
            {"strBatchAddFolderHint", m.strBatchAddFolderHint},
            {"strBatchSoundFilter", m.strBatchSoundFilter},
            {"strBatchSkippedNotRegular", m.strBatchSkippedNotRegular},
            {"strBatchSkippedPathTooLong", m.strBatchSkippedPathTooLong},
            {"strBatchSkippedChanged", m.strBatchSkippedChanged},
            {"strShellProgress", m.strShellProgress},
            {"strDryRunEmbeddedCover", m.strDryRunEmbeddedCover},
            {"strBatchPatternSlips", m.strBatchPatternSlips}};
}

} // namespace testing
