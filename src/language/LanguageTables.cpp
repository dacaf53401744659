#include "language/LanguageTables.h"

#include "options/ItemLists.h"

namespace fenwave {

namespace {

// Texts are held letter for letter, trailing blanks and all.
// clang-format off
const TextAssignment kTextAssignments[] = {
    // Menu: captions and hints in menu order. mnuSet and mnuEncode carry no hint.
    {"mnuSet",         TextProperty::Caption, "Settings",
                                              "Установки"},
    {"mnuLamePath",    TextProperty::Caption, "Path to lame.exe",
                                              "Путь к lame.exe"},
    {"mnuLamePath",    TextProperty::Hint,    "Set path to lame.exe",
                                              "Задать путь к lame.exe"},
    {"mnuSave",        TextProperty::Caption, "Save settings",
                                              "Сохранить настройки"},
    {"mnuSave",        TextProperty::Hint,    "Save current set of options",
                                              "Сохранение набора опций в файл"},
    {"mnuLoad",        TextProperty::Caption, "Restore settings",
                                              "Восстановить настройки"},
    {"mnuLoad",        TextProperty::Hint,    "Restore previously saved settings",
                                              "Восстановление из файла ранее сохраненного набора опций"},
    {"mnuLanguage",    TextProperty::Caption, "Language",
                                              "Language"},
    {"mnuLanguage",    TextProperty::Hint,    "Switch interface language",
                                              "Изменить язык интерфейса"},
    {"mnuEncode",      TextProperty::Caption, "Coding",
                                              "Кодирование"},
    {"mnuRun",         TextProperty::Caption, "Run",
                                              "Запуск"},
    {"mnuRun",         TextProperty::Hint,    "Run encoding with selected options",
                                              "Начать кодирование, используя выбранные опции"},
    {"mnuEncodeFiles", TextProperty::Caption, "Encode several files…",
                                              "Кодировать несколько файлов…"},
    {"mnuEncodeFiles", TextProperty::Hint,    "Encode several files with the selected options",
                                              "Закодировать несколько файлов, используя выбранные опции"},
    {"mnuEncodeFolder", TextProperty::Caption, "Encode a folder…",
                                              "Кодировать папку…"},
    {"mnuEncodeFolder", TextProperty::Hint,   "Encode the audio files of a folder with the selected options",
                                              "Закодировать звуковые файлы папки, используя выбранные опции"},
    {"mnuTakeTags",    TextProperty::Caption, "Take tags from the input file",
                                              "Взять теги из входного файла"},
    {"mnuTakeTags",    TextProperty::Hint,    "Fill the empty fields of the ID3 tag page from the input file's own tags",
                                              "Заполнить пустые поля страницы тегов ID3 тегами самого входного файла"},
    {"mnuRefresh",     TextProperty::Caption, "Refresh command line",
                                              "Обновить коммандную строку"},
    // Russian gets the hint the window is built with, so both directions of a switch agree.
    {"mnuRefresh",     TextProperty::Hint,    "Refresh command line",
                                              "Обновить строку запуска"},
    {"mnuExit",        TextProperty::Caption, "Exit",
                                              "Выход"},
    {"mnuExit",        TextProperty::Hint,    "Exit program",
                                              "Завершить работу"},

    // Page "Input file".
    {"tabInput",       TextProperty::Caption, "Input file",
                                              "Входной файл"},
    {"tabInput",       TextProperty::Hint,    "Input file options",
                                              "Свойства входного файла"},
    {"butInputOpen",   TextProperty::Caption, "Open",
                                              "Открыть"},
    {"butInputOpen",   TextProperty::Hint,    "Select input file",
                                              "Выбрать входной файл"},
    {"edtInput",       TextProperty::Hint,    "Input file location",
                                              "Расположение входного файла"},
    {"rgrInputType",   TextProperty::Caption, "Input file type",
                                              "Тип входного файла"},
    {"rgrInputType",   TextProperty::Hint,    "Set type of input file",
                                              "Установить тип входного файла"},
    {"Label2",         TextProperty::Caption, "Sample rate, kHz",
                                              "Частота дискретизации, kHz"},
    {"cbxSampleFreq",  TextProperty::Hint,    "Set input file sample rate",
                                              "Установка частоты дискретизации входного файла"},
    {"flgForceInput",  TextProperty::Caption, "force byte-swapping of input",
                                              "принудительная перестановка байт"},
    {"flgForceInput",  TextProperty::Hint,    "Swap bytes in the input file (and output file when using --decode)",
                                              "Перестановка байт фходного файла (или выходного при использовании --decode)"},
    {"flgMP3Decode",   TextProperty::Caption, "Decode MP3",
                                              "Декодировать MP3"},
    {"flgWavHeader",   TextProperty::Caption, "disable writing the WAV header",
                                              "Не записывать заголовок WAV"},
    {"flgWavHeader",   TextProperty::Hint,    "The output will be raw pcm, native endian format",
                                              "Создается выходной файл в формате raw pcm, с обычным порядком байт"},
    {"flgMonoDownmix", TextProperty::Caption, "downmix stereo input file to mono .mp3 ",
                                              "свести двухканальный входной файл в моно .mp3 "},
    {"flgMonoDownmix", TextProperty::Hint,    "This option is only needed in the case of raw PCM stereo input",
                                              "Эта опция необходима только для raw-PCM стерео фалов"},

    // The check box below the pages.
    {"flgReadOnly",    TextProperty::Caption, "View only",
                                              "Только просмотр"},
    {"flgReadOnly",    TextProperty::Hint,    "Allow/disallow the command line correction",
                                              "Разрешить/запретить редактирование командной строки"},

    // Page "Output file". The preset list and its edit text are rebuilt separately.
    {"tabOutput",      TextProperty::Caption, "Output file",
                                              "Выходной файл"},
    {"tabOutput",      TextProperty::Hint,    "Output file options",
                                              "Настройки выходного файла"},
    {"edtOutput",      TextProperty::Hint,    "Output file location",
                                              "Расположение выходного файла"},
    {"butOutputPath",  TextProperty::Caption, "Change",
                                              "Изменить"},
    {"butOutputPath",  TextProperty::Hint,    "Change output file location",
                                              "Изменить расположение выходного файла"},
    {"rgpOutputType",  TextProperty::Caption, "Output file type",
                                              "Тип выходного файла"},
    {"rgpOutputType",  TextProperty::Hint,    "Set type of output file",
                                              "Установить тип выходного файла"},
    {"flgDiffBlock",   TextProperty::Caption, "allow block types to differ between channels",
                                              "разрешить разные блоки в каналах"},
    {"flgDiffBlock",   TextProperty::Hint,    "Allows the left and right channels to use different block types",
                                              "Разрешить использовать в левом и правом каналах блоки разных типов"},
    {"Label3",         TextProperty::Caption, "Show statictics every",
                                              "Показывать статистику каждые"},
    {"Label4",         TextProperty::Caption, "sec.",
                                              "секунд"},
    {"flgVorbis",      TextProperty::Caption, "Encode using Ogg Vorbis (.ogg) instead of mp3",
                                              "Кодировать в формат Ogg Vorbis (.ogg)"},
    {"flgFreeformat",  TextProperty::Caption, "produce a free format bitstream",
                                              "кодировать \"свободным\" потоком"},
    {"flgFreeformat",  TextProperty::Hint,    "LAME will produce a fixed bitrate, free format bitstream",
                                              "Эта опция позволяет LAME создавать любой поток от 8 до 640 kbps."},
    {"flgCompRatio",   TextProperty::Caption, "Select bitrate for compression 1:",
                                              "Подобрать bitrate для достижения сжатия 1:"},
    {"flgScale",       TextProperty::Caption, "multiply PCM input by",
                                              "Усилить входной PCM файл в"},
    {"flgScale",       TextProperty::Hint,    "This just multiplies the PCM data",
                                              "Усиление входного сигнала"},
    {"Label1",         TextProperty::Caption, " ",
                                              "раз"},
    {"Label34",        TextProperty::Caption, " ",
                                              "раз"},
    {"Label35",        TextProperty::Caption, " ",
                                              "раз"},
    {"flgScaleLeft",   TextProperty::Caption, "scale left channel by",
                                              "Усилить левый канал в"},
    {"flgScaleLeft",   TextProperty::Hint,    "This just multiplies the PCM data",
                                              "Усиление левого канала"},
    {"flgScaleRight",  TextProperty::Caption, "scale right channel by",
                                              "Усилить правый канал в"},
    {"flgScaleRight",  TextProperty::Hint,    "This just multiplies the PCM data",
                                              "Усиление правого канала"},
    {"flgUseATHMask",  TextProperty::Caption, "only use masking from the ATH ",
                                              "использовать только ATH "},
    {"flgUseATHMask",  TextProperty::Hint,    "This option causes LAME to ignore the output of the psy-model and only use masking from the ATH",
                                              "Эта опция запрещает LAME использование психо-акустической модели, используя вместо нее ATH"},
    {"flgNoATH",       TextProperty::Caption, "disable ATH",
                                              "Отключить ATH"},
    {"Label5",         TextProperty::Caption, "lower the ATH by",
                                              "Понизить ATH на"},
    {"flgTempMask",    TextProperty::Caption, "disable temporal masking ",
                                              "Не использовать временнОе маскирование"},
    {"flgShortBlock",  TextProperty::Caption, "Use short blocks",
                                              "Использовать которкие блоки"},
    {"flgPresets",     TextProperty::Caption, "Use prests",
                                              "Использовать предварительные установки"},
    {"flgVoiceMode",   TextProperty::Caption, "Experimental voice mode",
                                              "Экспериментальный режим голоса"},
    {"flgDefault",     TextProperty::Caption, "Use default settings",
                                              "Использовать установки по умолчанию"},
    {"flgDefault",     TextProperty::Hint,    "Use some quality improvements",
                                              "Use some quality improvements"},

    // Page "Bitrate".
    {"tabBitrate",     TextProperty::Caption, "Bitrate",
                                              "Поток"},
    {"tabBitrate",     TextProperty::Hint,    "Output file bitrate settings",
                                              "Настройка потока выходного файла"},
    {"rbutCBR",        TextProperty::Caption, "Constant bitrate",
                                              "Постоянный поток"},
    {"Label7",         TextProperty::Caption, "Bitrate, kB/s",
                                              "Поток, kB/s"},
    {"rbutABR",        TextProperty::Caption, "Average bitrate",
                                              "Средний поток"},
    {"Label8",         TextProperty::Caption, "Bitrate, kB/s",
                                              "Поток, kB/s"},
    {"rbutVBR",        TextProperty::Caption, "Variable bitrate",
                                              "Переменный поток"},
    {"Label9",         TextProperty::Caption, "Variable bitrate routine",
                                              "Режим переменного потока"},
    {"Label10",        TextProperty::Caption, "Quality",
                                              "Качество"},
    {"Label11",        TextProperty::Caption, "Min bitrate",
                                              "Минимальный поток"},
    {"Label12",        TextProperty::Caption, "Max bitrate",
                                              "Максимальный поток"},
    {"flgSupport",     TextProperty::Caption, "strictly enforce the -b option, for use with players that do not support low bitrate mp3",
                                              "Поддержка MP3-плейеров, не распознающих низкопоточную кодировку"},
    {"flgLameTagDis",  TextProperty::Caption, "disable writing LAME Tag",
                                              "Не записывать LAME тег"},
    {"flgLameTagEn",   TextProperty::Caption, "enable and force writing LAME Tag",
                                              "Разрешить и принудительно записывать LAME тег"},
    {"Label13",        TextProperty::Caption, "De-emphasis",
                                              "ВЧ-фильтр"},
    {"flgBitRes",      TextProperty::Caption, "Disable the bit reservoir",
                                              "Отключить резервный бит"},
    {"flgMaxISO",      TextProperty::Caption, "Comply as much as possible to ISO MPEG spec",
                                              "Максимальное соответствие спецификации ISO MPEG"},

    // Page "Filters".
    {"tabFilter",      TextProperty::Caption, "Filters",
                                              "Фильтры"},
    {"tabFilter",      TextProperty::Hint,    "Various filters and noise reduction",
                                              "Всевозможные фильтры и шумоподавление"},
    {"Label14",        TextProperty::Caption, "Noise shaping",
                                              "Шумопонижение"},
    {"flgNoFilter",    TextProperty::Caption, "Disable all filters",
                                              "Не использовать фильтры"},
    {"grpFilter",      TextProperty::Caption, "Filters",
                                              "Фильтры"},
    {"Label15",        TextProperty::Caption, "Lowpass cut",
                                              "Частота среза НЧ-фильтра"},
    {"Label17",        TextProperty::Caption, "Lowpass bandwidth",
                                              "Ширина НЧ-фильтра"},
    {"Label19",        TextProperty::Caption, "Highpass cut",
                                              "Частота среза ВЧ-фильтра"},
    {"Label21",        TextProperty::Caption, "Highpass bandwidth",
                                              "Ширина ВЧ-фильтра"},
    {"Label23",        TextProperty::Caption, "Sampling frequency of output file",
                                              "Частота дискретизации выходного файла"},
    {"Label25",        TextProperty::Caption, "Specify range of tonality calculation",
                                              "Рассчитывать тональность до"},

    // Page "Output info". Its hint stays the one the window is built with.
    {"tabComment",     TextProperty::Caption, "Output info",
                                              "Вывод на экран и описания"},
    {"grpOutput",      TextProperty::Caption, "Output options",
                                              "Опции вывода на экран"},
    {"grpOutput",      TextProperty::Hint,    "Output options",
                                              "Вывод на экран"},
    {"flgNoProgress",  TextProperty::Caption, "Don't print progress report, VBR histograms",
                                              "Не выводить на экран проресс выполнения"},
    {"flgBlankScreen", TextProperty::Caption, "Don't print anything on screen",
                                              "Ничего не выводить на экран"},
    {"flgAllUseFull",  TextProperty::Caption, "Print a lot of useful information",
                                              "Отображать максимум полезной информации"},
    {"flgHist",        TextProperty::Caption, "Disable VBR histogram display",
                                              "Отключить гистограмму для переменного потока"},
    {"grpID3Tag",      TextProperty::Caption, "ID3 tag",
                                              "ID3 tag"},
    {"grpID3Tag",      TextProperty::Hint,    "ID3 tag options",
                                              "Параметры информационного тэга MP3-файла"},
    {"Label27",        TextProperty::Caption, "Song title",
                                              "Название песни"},
    {"Label28",        TextProperty::Caption, "Artist",
                                              "Исполнитель"},
    {"Label29",        TextProperty::Caption, "Album",
                                              "Альбом"},
    {"Label32",        TextProperty::Caption, "Year",
                                              "Год"},
    {"Label31",        TextProperty::Caption, "Track number",
                                              "Номер трека"},
    {"Label33",        TextProperty::Caption, "Genre",
                                              "Жанр"},
    {"Label30",        TextProperty::Caption, "Comment",
                                              "Комментарий"},
    {"rbut1stOnly",    TextProperty::Caption, "Add only a version 1 tag",
                                              "Использовать только 1-ю версию ID3 tag"},
    {"rbut2ndOnly",    TextProperty::Caption, "Add only a version 2 tag",
                                              "Использовать только 2-ю версию ID3 tag"},
    {"rbutBoth",       TextProperty::Caption, "Force addition of version 2 tag",
                                              "Использовать обе версии"},
    {"flg1stEmpty",    TextProperty::Caption, "Pad version 1 tag with spaces instead of nulls",
                                              "Заполнить пустые места в 1-й версии пробелами"},
    {"flg2ndEmpty",    TextProperty::Caption, "Pad version 2 tag with extra 128 bytes",
                                              "Добавить ко 2-й версии 128 байт"},

    // Names for a screen reader where no label stands beside the control. They show nowhere.
    {"edtInput",       TextProperty::AccessibleName, "File to encode or decode",
                                                     "Файл для кодирования или декодирования"},
    {"edtOutput",      TextProperty::AccessibleName, "File to write",
                                                     "Файл для записи"},
    {"edtCompRatio",   TextProperty::AccessibleName, "Compression ratio, 1 to this number",
                                                     "Степень сжатия, 1 к этому числу"},
    {"edtScale",       TextProperty::AccessibleName, "PCM input factor",
                                                     "Коэффициент усиления входного PCM"},
    {"edtScaleLeft",   TextProperty::AccessibleName, "Left-channel factor",
                                                     "Коэффициент усиления левого канала"},
    {"edtScaleRight",  TextProperty::AccessibleName, "Right-channel factor",
                                                     "Коэффициент усиления правого канала"},
    {"cbxPresets",     TextProperty::AccessibleName, "Preset",
                                                     "Предустановка"},
    {"grpCBR",         TextProperty::AccessibleName, "Constant bitrate",
                                                     "Постоянный поток"},
    {"grpABR",         TextProperty::AccessibleName, "Average bitrate",
                                                     "Средний поток"},
    {"grpVBR",         TextProperty::AccessibleName, "Variable bitrate",
                                                     "Переменный поток"},
    {"edtCommandLine", TextProperty::AccessibleName, "Command line",
                                                     "Командная строка"},
};
// clang-format on

// English moves the fields closer to their shorter labels; Russian keeps the positions the
// window is built with.
// clang-format off
const LeftEdge kLeftEdges[] = {
    // 330 rather than 325: in our font the English caption of flgCompRatio would otherwise
    // run under the field.
    {"edtCompRatio",     330, 407},
    {"cbxPresets",       100, 262},
    {"edtLowPass",       190, 258},
    {"edtLowPassWidth",  190, 258},
    {"edtHighPass",      190, 258},
    {"edtHighPassWidth", 190, 258},
    {"edtOutputSample",  190, 258},
    {"edtTonality",      190, 258},
    {"Label16",          246, 314},
    {"Label18",          246, 314},
    {"Label20",          246, 314},
    {"Label22",          246, 314},
    {"Label24",          246, 314},
    {"Label26",          246, 314},
};
// clang-format on

} // namespace

TableView<TextAssignment> textAssignments()
{
    return kTextAssignments;
}

QString textFor(const TextAssignment &assignment, Language language)
{
    switch (language) {
    case Language::English: return QString::fromUtf8(assignment.english);
    case Language::Russian: return QString::fromUtf8(assignment.russian);
    default: return QString();
    }
}

TableView<LeftEdge> languageLeftEdges()
{
    return kLeftEdges;
}

QStringList presetNames(Language language)
{
    switch (language) {
    case Language::English: return englishPresetNames();
    case Language::Russian: return russianPresetNames();
    default: return QStringList();
    }
}

} // namespace fenwave
