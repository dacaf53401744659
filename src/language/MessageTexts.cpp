#include "language/MessageTexts.h"

#include "language/LanguageTables.h"

namespace fenwave {

namespace {

struct MessageText {
    QString MessageTexts::*field;
    const char *english;
    const char *russian;
};

// Filters: descriptions and pattern lists alternate, separated by "|".
// clang-format off
const MessageText kMessageTexts[] = {
    {&MessageTexts::strLameDialogTitle, "Specify path to the lame.exe",
                                        "Укажите путь к lame.exe"},
    {&MessageTexts::strLameFilter, "lame.exe|lame.exe",
                                   "Программа lame.exe|lame.exe"},
    {&MessageTexts::strInputDialogTitle, "Specify path to the input file",
                                         "Укажите путь ко входному файлу"},
    {&MessageTexts::strOutputDialogTitle, "Specify path to the output file",
                                          "Укажите путь к выходному файлу"},
    {&MessageTexts::strMusicFilter, "Music files WAV|*.wav; *.mpa|MP3-files|*.mp3|All files|*.*",
                                    "Музыкальные файлы WAV|*.wav; *.mpa|MP3 файлы|*.mp3|Все файлы|*.*"},
    {&MessageTexts::strConfirmExit, "Extit program?",
                                    "Завершить работу?"},
    {&MessageTexts::strNoLamePath, "You must specify path to the lame.exe",
                                   "Необходимо указать путь к lame.exe"},
    {&MessageTexts::strNoInput, "No input file selected",
                                "Не указан входной файл"},
    {&MessageTexts::strNoOutput, "No output file selected",
                                 "Не указан выходной файл"},
    {&MessageTexts::strConfirmRun, "Start processing?",
                                   "Запустить кодирование?"},
    {&MessageTexts::strSaveSettingsTitle, "Specify configuration file",
                                          "Укажите файл конфигурации"},
    {&MessageTexts::strLoadSettingsTitle, "Select configuration file",
                                          "Выберите файл конфигурации"},
    {&MessageTexts::strAllFilter, "All files|*.*",
                                  "Все файлы|*.*"},
    {&MessageTexts::strSameFile, "Input and output are the same file",
                                 "Входной и выходной файлы совпадают"},
    {&MessageTexts::strCannotStart, "Unable to start %1.",
                                    "Не удалось запустить %1."},
    {&MessageTexts::strConfirmStopRuns, "Encoding is still running. Stop it and exit?",
                                        "Кодирование ещё не закончено. Остановить его и выйти?"},
    {&MessageTexts::strRunStop, "Stop", "Остановить"},
    {&MessageTexts::strRunRunning, "Running...", "Выполняется..."},
    {&MessageTexts::strRunStopping, "Stopping...", "Останавливается..."},
    {&MessageTexts::strRunFinished, "Finished", "Завершено"},
    {&MessageTexts::strRunFailed, "Failed with exit status %1", "Ошибка, код завершения %1"},
    {&MessageTexts::strRunSignal, "Stopped by signal %1", "Остановлено сигналом %1"},
    {&MessageTexts::strTooLargeSettings, "The file %1 is too large to be a settings file.",
        "Файл %1 слишком велик для файла настроек."},
    {&MessageTexts::strNotUtf8Name, "The name %1 cannot be used: it is not valid UTF-8.",
        "Имя %1 нельзя использовать: оно не в кодировке UTF-8."},
    {&MessageTexts::strFolderRefused, "%1 is a folder; nothing was opened.",
        "%1 — это папка; ничего не открыто."},
    {&MessageTexts::strNameNotOnCommandLine, "The file name %1 cannot be written on the command line.",
        "Имя файла %1 нельзя записать в командной строке."},
    {&MessageTexts::strOutputBusy, "The output file %1 is already being written.",
        "Выходной файл %1 уже записывается."},
    {&MessageTexts::strConfirmCloseRun, "Encoding is still running. Stop it and close the window?",
        "Кодирование ещё не закончено. Остановить его и закрыть окно?"},
    {&MessageTexts::strOutputIncomplete, "The output file %1 is incomplete.",
        "Выходной файл %1 не завершён."},
    {&MessageTexts::strBatchTitle, "Batch encoding",
        "Пакетное кодирование"},
    {&MessageTexts::strBatchColumnFile, "File",
        "Файл"},
    {&MessageTexts::strBatchColumnOutput, "Output file",
        "Выходной файл"},
    {&MessageTexts::strBatchColumnStatus, "Status",
        "Состояние"},
    {&MessageTexts::strBatchColumnProgress, "Progress",
        "Выполнено"},
    {&MessageTexts::strBatchWaiting, "Waiting",
        "Ожидает"},
    {&MessageTexts::strBatchEncoding, "Encoding",
        "Кодируется"},
    {&MessageTexts::strBatchFinished, "Finished",
        "Готово"},
    {&MessageTexts::strBatchFailedStatus, "Failed, exit status %1",
        "Ошибка, код завершения %1"},
    {&MessageTexts::strBatchFailedSignal, "Failed, stopped by signal %1",
        "Ошибка, остановлено сигналом %1"},
    {&MessageTexts::strBatchFailedStart, "Failed, the encoder could not be started",
        "Ошибка, кодировщик не запустился"},
    {&MessageTexts::strBatchFailedCreate, "Failed, the output could not be created: %1",
        "Ошибка, не удалось создать выходной файл: %1"},
    {&MessageTexts::strBatchFailedPlace, "Failed, the output could not take its place: %1",
        "Ошибка, не удалось поставить выходной файл на место: %1"},
    {&MessageTexts::strBatchFailedBusy, "Failed, the output is already being written",
        "Ошибка, выходной файл уже записывается"},
    {&MessageTexts::strBatchSkippedIsInput, "Skipped, the output is the input itself",
        "Пропущен, выходной файл совпадает с входным"},
    {&MessageTexts::strBatchSkippedIsOtherInput, "Skipped, the output is another input",
        "Пропущен, выходной файл — другой входной"},
    {&MessageTexts::strBatchSkippedExists, "Skipped, the output exists",
        "Пропущен, выходной файл уже есть"},
    {&MessageTexts::strBatchSkippedNoFile, "Skipped, the name is no file",
        "Пропущен, имя не указывает на файл"},
    {&MessageTexts::strBatchStopped, "Stopped",
        "Остановлен"},
    {&MessageTexts::strBatchStart, "Start",
        "Начать"},
    {&MessageTexts::strBatchStop, "Stop",
        "Остановить"},
    {&MessageTexts::strBatchRetry, "Retry failed",
        "Повторить неудачные"},
    {&MessageTexts::strBatchRemove, "Remove",
        "Убрать"},
    {&MessageTexts::strBatchShowOutput, "Encoder output",
        "Вывод кодировщика"},
    {&MessageTexts::strBatchJobs, "Encoders at once:",
        "Кодировщиков сразу:"},
    {&MessageTexts::strBatchOutputDir, "Output folder:",
        "Папка для результатов:"},
    {&MessageTexts::strBatchOutputDirNone, "beside each input file",
        "рядом с каждым входным файлом"},
    {&MessageTexts::strBatchChooseDir, "Browse...",
        "Обзор..."},
    {&MessageTexts::strBatchExisting, "Existing outputs:",
        "Существующие файлы:"},
    {&MessageTexts::strBatchExistingSkip, "Skip",
        "Пропускать"},
    {&MessageTexts::strBatchExistingOverwrite, "Overwrite",
        "Перезаписывать"},
    {&MessageTexts::strBatchExistingNumber, "Number",
        "Нумеровать"},
    {&MessageTexts::strBatchTime, "Elapsed %1, remaining %2",
        "Прошло %1, осталось %2"},
    {&MessageTexts::strBatchCounts, "%1 files: %2 finished, %3 failed, %4 skipped",
        "Файлов: %1; готово %2, ошибок %3, пропущено %4"},
    {&MessageTexts::strBatchLeftOut, "The song title and the track number are left out of a batch.",
        "Название песни и номер трека в пакет не входят."},
    {&MessageTexts::strBatchHandEdit, "The edited command line does not apply to a batch.",
        "Изменённая вручную командная строка к пакету не применяется."},
    {&MessageTexts::strSettingsIgnored, "Only the first settings file is restored; ignored: %1",
        "Восстановлен только первый файл настроек; пропущены: %1"},
    {&MessageTexts::strRunOutputName, "Encoder output",
        "Вывод кодировщика"},
    {&MessageTexts::strRunProgressName, "Progress",
        "Ход кодирования"},
    {&MessageTexts::strBatchListName, "Files",
        "Файлы"},
    {&MessageTexts::strBatchProgressName, "Overall progress",
        "Общий ход"},
};
// clang-format on

} // namespace

MessageTexts messageTextsFor(Language language)
{
    MessageTexts texts;
    if (!isKnownLanguage(language))
        return texts;
    for (const MessageText &text : kMessageTexts)
        texts.*text.field = QString::fromUtf8(language == Language::English ? text.english : text.russian);
    return texts;
}

} // namespace fenwave
