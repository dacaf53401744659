#include "ui/LayoutTable.h"

#include <QLatin1StringView>

namespace fenwave {

namespace {

constexpr ControlKind Page = ControlKind::Page;
constexpr ControlKind Group = ControlKind::GroupBox;
constexpr ControlKind RadioGroup = ControlKind::RadioGroup;
constexpr ControlKind Label = ControlKind::Label;
constexpr ControlKind Check = ControlKind::CheckBox;
constexpr ControlKind Radio = ControlKind::RadioButton;
constexpr ControlKind Edit = ControlKind::Edit;
constexpr ControlKind Memo = ControlKind::Memo;
constexpr ControlKind Combo = ControlKind::ComboBox;
constexpr ControlKind Button = ControlKind::Button;
constexpr ControlKind PageControl = ControlKind::PageControl;

constexpr StartEnabled on = StartEnabled::Yes;
constexpr StartEnabled off = StartEnabled::No;
constexpr StartEnabled field = StartEnabled::AsOptionField;

// Pages are placed by pgOptions; their size is the page area of pgOptions.
// Check boxes and radio buttons designed lower than 17 px are 17 px high here, on the same
// vertical centre, so that the indicator is not clipped.
// clang-format off
const ControlSpec kTable[] = {
    // name                 parent        kind        x    y    w    h  tab caption hint enabled
    {"pgOptions",           "Form1",      PageControl, 6,   0, 515, 371, 0, nullptr, nullptr, on},

    {"tabInput",            "pgOptions",  Page,        0,   0, 507, 343, 0, "Input file", nullptr, on},
    {"edtInput",            "tabInput",   Edit,        8,  16, 401,  21, 1, nullptr, nullptr, field},
    {"butInputOpen",        "tabInput",   Button,    424,  16,  65,  21, 0, "Open", nullptr, on},
    {"rgrInputType",        "tabInput",   RadioGroup, 12,  48, 129, 201, 2, "Input file type", nullptr, field},
    {"Label2",              "tabInput",   Label,     160,  56,  81,  13, -1, "Sample rate, kHz", nullptr, on},
    {"cbxSampleFreq",       "tabInput",   Combo,     160,  72,  49,  21, 3, nullptr, nullptr, field},
    {"flgForceInput",       "tabInput",   Check,     160, 102, 246,  17, 4, "force byte-swapping of input", nullptr, field},
    // widened from 273: the Russian caption
    {"flgMonoDownmix",      "tabInput",   Check,     160, 188, 280,  17, 7, "downmix stereo input file to mono .mp3 ", nullptr, field},
    {"flgMP3Decode",        "tabInput",   Check,      11, 274, 151,  17, 5, "Decode MP3", nullptr, field},
    {"flgWavHeader",        "tabInput",   Check,      11, 296, 229,  17, 6, "disable writing the WAV header", nullptr, field},

    {"tabOutput",           "pgOptions",  Page,        0,   0, 507, 343, 1, "Output file", nullptr, on},
    {"edtOutput",           "tabOutput",  Edit,        8,  16, 401,  21, 1, nullptr, nullptr, field},
    {"butOutputPath",       "tabOutput",  Button,    424,  16,  65,  21, 0, "Change", nullptr, on},
    // widened from 125: the Russian title
    {"rgpOutputType",       "tabOutput",  RadioGroup,  8,  48, 132, 177, 2, "Output file type", nullptr, field},
    {"flgDiffBlock",        "tabOutput",  Check,     152,  71, 265,  17, 3, "allow block types to differ between channels", nullptr, field},
    {"edtStat",             "tabOutput",  Edit,      312,  89,  41,  21, 4, nullptr, nullptr, field},
    {"Label3",              "tabOutput",  Label,     152,  93, 155,  13, -1, "Show statictics every", nullptr, on},
    {"Label4",              "tabOutput",  Label,     360,  93,  35,  13, -1, "sec.", nullptr, on},
    {"flgVorbis",           "tabOutput",  Check,     152, 113, 267,  17, 5, "Encode using Ogg Vorbis (.ogg) instead of mp3", nullptr, field},
    {"flgFreeformat",       "tabOutput",  Check,     152, 134, 217,  17, 6, "produce a free format bitstream", nullptr, field},
    {"edtCompRatio",        "tabOutput",  Edit,      407, 152,  45,  21, 8, nullptr, nullptr, field},
    {"flgCompRatio",        "tabOutput",  Check,     152, 154, 257,  17, 7, "Select bitrate for compression 1:", nullptr, field},
    // The three gain rows: flgScale widened from 155 for its Russian caption, so the column of
    // the gain edits and their unit labels moves 18 px right (designed at 312 and 356).
    {"edtScale",            "tabOutput",  Edit,      330, 173,  37,  21, 10, nullptr, nullptr, field},
    {"flgScale",            "tabOutput",  Check,     152, 175, 175,  17, 9, "multiply PCM input by", nullptr, field},
    {"Label1",              "tabOutput",  Label,     374, 176,  18,  13, -1, " ", nullptr, on},
    {"edtScaleLeft",        "tabOutput",  Edit,      330, 193,  37,  21, 22, nullptr, nullptr, field},
    // designed 12 px high at y 198
    {"flgScaleLeft",        "tabOutput",  Check,     152, 195, 145,  17, 20, "scale left channel by", nullptr, field},
    {"Label34",             "tabOutput",  Label,     374, 198,  18,  13, -1, " ", nullptr, on},
    {"edtScaleRight",       "tabOutput",  Edit,      330, 213,  37,  21, 23, nullptr, nullptr, field},
    // designed 14 px high at y 217
    {"flgScaleRight",       "tabOutput",  Check,     152, 216, 151,  17, 21, "scale right channel by", nullptr, field},
    {"Label35",             "tabOutput",  Label,     374, 218,  18,  13, -1, " ", nullptr, on},
    {"flgUseATHMask",       "tabOutput",  Check,       8, 234, 172,  17, 11, "only use masking from the ATH ", nullptr, field},
    {"edtATH",              "tabOutput",  Edit,      452, 234,  31,  21, 13, nullptr, nullptr, field},
    {"flgNoATH",            "tabOutput",  Check,     193, 235, 139,  17, 12, "disable ATH", nullptr, field},
    {"Label5",              "tabOutput",  Label,     358, 236,  65,  13, -1, "lower the ATH by", nullptr, on},
    {"Label6",              "tabOutput",  Label,     486, 236,  13,  13, -1, "dB", nullptr, on},
    {"flgTempMask",         "tabOutput",  Check,       8, 256, 257,  17, 14, "disable temporal masking ", nullptr, field},
    {"flgShortBlock",       "tabOutput",  Check,     274, 256, 185,  17, 15, "Use short blocks", nullptr, field},
    {"flgVoiceMode",        "tabOutput",  Check,       8, 278, 205,  17, 16, "Experimental voice mode", nullptr, field},
    {"cbxPresets",          "tabOutput",  Combo,     262, 299, 106,  21, 18, nullptr, "Набор пресетов эквалайзера", field},
    {"flgPresets",          "tabOutput",  Check,       8, 300, 251,  17, 17, "Use prests", nullptr, field},
    {"flgDefault",          "tabOutput",  Check,       8, 322, 281,  17, 19, "Use default settings", nullptr, field},

    {"tabBitrate",          "pgOptions",  Page,        0,   0, 507, 343, 2, "Bitrate", nullptr, on},
    // The three mode buttons stand 3 px clear of the frame below them (designed at y 10, 101
    // and 190, where the indicators touch or cross the frame's top line).
    {"rbutCBR",             "tabBitrate", Radio,      10,   8, 119,  17, 0, "Constant bitrate", nullptr, field},
    {"grpCBR",              "tabBitrate", Group,       8,  26, 109,  67, 3, nullptr, nullptr, on},
    {"Label7",              "grpCBR",     Label,      14,  16,  60,  13, -1, "Bitrate, kB/s", nullptr, on},
    {"cbxCBR",              "grpCBR",     Combo,      14,  34,  57,  21, 0, nullptr, nullptr, field},
    {"grpStream",           "tabBitrate", Group,     146,  26, 351, 160, 6, "Свойства заголовка потока", nullptr, on},
    {"cbxEmp",              "grpStream",  Combo,     212,  28,  55,  21, 5, nullptr, nullptr, field},
    {"flgCopyright",        "grpStream",  Check,      10,  30,  87,  17, 0, "Copyrighted", nullptr, field},
    // designed at x 149: "De-emphasis" would run under cbxEmp
    {"Label13",             "grpStream",  Label,     143,  32,  55,  13, -1, "De-emphasis", nullptr, on},
    {"flgNonOriginal",      "grpStream",  Check,      10,  54,  97,  17, 1, "Non original", nullptr, field},
    {"flgErrorProtection",  "grpStream",  Check,      10,  76,  97,  17, 2, "Error protection", nullptr, field},
    {"flgBitRes",           "grpStream",  Check,      10, 100, 171,  17, 3, "Disable the bit reservoir", nullptr, field},
    {"flgMaxISO",           "grpStream",  Check,      10, 124, 307,  17, 4, "Comply as much as possible to ISO MPEG spec", nullptr, field},
    {"rbutABR",             "tabBitrate", Radio,       8,  96, 107,  19, 1, "Average bitrate", nullptr, field},
    {"grpABR",              "tabBitrate", Group,       8, 115, 111,  71, 4, nullptr, "Средний поток", off},
    {"Label8",              "grpABR",     Label,      14,  16,  60,  13, -1, "Bitrate, kB/s", nullptr, on},
    {"cbxABR",              "grpABR",     Combo,      14,  38,  57,  21, 0, nullptr, nullptr, field},
    {"rbutVBR",             "tabBitrate", Radio,       8, 187, 129,  19, 2, "Variable bitrate", nullptr, field},
    {"grpVBR",              "tabBitrate", Group,       8, 206, 489, 133, 5, nullptr, "Переменный поток", off},
    {"Label9",              "grpVBR",     Label,      10,  18, 153,  13, -1, "Variable bitrate routine", nullptr, on},
    // The centred titles of the minimum and maximum bitrate (designed 248, 49 wide and 321, 52
    // wide) are widened for their Russian texts; their columns spread to the right, each combo
    // box staying centred under its title (designed at 251 and 327).
    {"Label10",             "grpVBR",     Label,     180,  18,  50,  13, -1, "Quality", nullptr, on},
    {"Label11",             "grpVBR",     Label,     236,  18, 110,  13, -1, "Min bitrate", nullptr, on},
    {"Label12",             "grpVBR",     Label,     352,  18, 115,  13, -1, "Max bitrate", nullptr, on},
    {"cbxVBRMode",          "grpVBR",     Combo,      10,  36, 109,  21, 0, nullptr, nullptr, field},
    {"cbxVBRQuality",       "grpVBR",     Combo,     184,  37,  41,  21, 1, nullptr, nullptr, field},
    {"cbxMinBitrate",       "grpVBR",     Combo,     265,  37,  53,  21, 2, nullptr, nullptr, field},
    {"cbxMaxBitrate",       "grpVBR",     Combo,     384,  37,  51,  21, 3, nullptr, nullptr, field},
    {"flgSupport",          "grpVBR",     Check,      10,  64, 431,  17, 4, "strictly enforce the -b option, for use with players that do not support low bitrate mp3", nullptr, field},
    {"flgLameTagDis",       "grpVBR",     Check,      10,  86, 259,  17, 5, "disable writing LAME Tag", nullptr, field},
    // designed 13 px high at y 109
    {"flgLameTagEn",        "grpVBR",     Check,      10, 107, 383,  17, 6, "enable and force writing LAME Tag", nullptr, field},

    {"tabFilter",           "pgOptions",  Page,        0,   0, 507, 343, 3, "Filters", nullptr, on},
    {"Label14",             "tabFilter",  Label,      21,  14,  84,  13, -1, "Noise shaping", nullptr, on},
    {"cbxNoise",            "tabFilter",  Combo,      21,  32,  39,  21, 0, nullptr, nullptr, field},
    // designed 14 px high at y 86
    {"flgNoFilter",         "tabFilter",  Check,      21,  84, 180,  17, 1, "Disable all filters", nullptr, field},
    {"grpFilter",           "tabFilter",  Group,      10, 111, 486, 174, 2, "Filters", nullptr, on},
    {"edtLowPass",          "grpFilter",  Edit,      258,  20,  52,  21, 0, nullptr, nullptr, field},
    {"Label15",             "grpFilter",  Label,      16,  24, 140,  13, -1, "Lowpass cut", nullptr, on},
    {"Label16",             "grpFilter",  Label,     314,  24,  19,  13, -1, "kHz", nullptr, on},
    {"edtLowPassWidth",     "grpFilter",  Edit,      258,  44,  52,  21, 1, nullptr, nullptr, field},
    {"Label17",             "grpFilter",  Label,      16,  48, 104,  13, -1, "Lowpass bandwidth", nullptr, on},
    {"Label18",             "grpFilter",  Label,     314,  48,  19,  13, -1, "kHz", nullptr, on},
    {"edtHighPass",         "grpFilter",  Edit,      258,  69,  52,  21, 2, nullptr, nullptr, field},
    {"Label19",             "grpFilter",  Label,      16,  72, 139,  13, -1, "Highpass cut", nullptr, on},
    {"Label20",             "grpFilter",  Label,     314,  72,  19,  13, -1, "kHz", nullptr, on},
    {"edtHighPassWidth",    "grpFilter",  Edit,      258,  93,  52,  21, 3, nullptr, nullptr, field},
    {"Label21",             "grpFilter",  Label,      16,  96, 103,  13, -1, "Highpass bandwidth", nullptr, on},
    {"Label22",             "grpFilter",  Label,     314,  97,  19,  13, -1, "kHz", nullptr, on},
    {"edtOutputSample",     "grpFilter",  Edit,      258, 117,  52,  21, 4, nullptr, nullptr, field},
    {"Label23",             "grpFilter",  Label,      16, 120, 235,  13, -1, "Sampling frequency of output file", nullptr, on},
    {"Label24",             "grpFilter",  Label,     314, 120,  19,  13, -1, "kHz", nullptr, on},
    {"edtTonality",         "grpFilter",  Edit,      258, 141,  52,  21, 5, nullptr, nullptr, field},
    {"Label25",             "grpFilter",  Label,      16, 144, 157,  13, -1, "Specify range of tonality calculation", nullptr, on},
    {"Label26",             "grpFilter",  Label,     314, 145,  19,  13, -1, "kHz", nullptr, on},

    {"tabComment",          "pgOptions",  Page,        0,   0, 507, 343, 4, "Output info", "Параметры вывода на экран различных сообщений", on},
    {"grpOutput",           "tabComment", Group,       6,   2, 494,  70, 0, "Output options", nullptr, on},
    // widened from 238: the Russian caption
    {"flgNoProgress",       "grpOutput",  Check,       6,  16, 250,  17, 0, "Don't print progress report, VBR histograms", nullptr, field},
    {"flgBlankScreen",      "grpOutput",  Check,     261,  16, 176,  17, 2, "Don't print anything on screen", nullptr, field},
    {"flgAllUseFull",       "grpOutput",  Check,       6,  32, 301,  17, 1, "Print a lot of useful information", nullptr, field},
    {"flgHist",             "tabComment", Check,      12,  50, 283,  17, 2, "Disable VBR histogram display", nullptr, field},
    {"grpID3Tag",           "tabComment", Group,       6,  74, 494, 265, 1, "ID3 tag", nullptr, on},
    {"edtSongName",         "grpID3Tag",  Edit,      105,  20, 377,  21, 0, nullptr, nullptr, field},
    {"Label27",             "grpID3Tag",  Label,      14,  22,  83,  13, -1, "Song title", nullptr, on},
    {"edtArtist",           "grpID3Tag",  Edit,      105,  42, 377,  21, 1, nullptr, nullptr, field},
    {"Label28",             "grpID3Tag",  Label,      14,  46,  67,  13, -1, "Artist", nullptr, on},
    {"edtAlbum",            "grpID3Tag",  Edit,      105,  64, 377,  21, 2, nullptr, nullptr, field},
    {"Label29",             "grpID3Tag",  Label,      14,  67,  39,  13, -1, "Album", nullptr, on},
    {"cbxGenre",            "grpID3Tag",  Combo,     332,  90,  91,  21, 5, nullptr, nullptr, field},
    {"edtTrackNumber",      "grpID3Tag",  Edit,      200,  91,  47,  21, 4, nullptr, nullptr, field},
    {"edtYear",             "grpID3Tag",  Edit,       40,  92,  41,  21, 3, nullptr, nullptr, field},
    {"Label32",             "grpID3Tag",  Label,      14,  94,  18,  13, -1, "Year", nullptr, on},
    {"Label31",             "grpID3Tag",  Label,     128,  94,  66,  13, -1, "Track number", nullptr, on},
    {"Label33",             "grpID3Tag",  Label,     292,  94,  29,  13, -1, "Genre", nullptr, on},
    {"edtComment",          "grpID3Tag",  Edit,      106, 125, 373,  21, 6, nullptr, nullptr, field},
    {"Label30",             "grpID3Tag",  Label,      14, 128,  70,  13, -1, "Comment", nullptr, on},
    {"rbut1stOnly",         "grpID3Tag",  Radio,      14, 154, 253,  17, 7, "Add only a version 1 tag", nullptr, field},
    // designed 13 px high at y 178
    {"rbut2ndOnly",         "grpID3Tag",  Radio,      14, 176, 247,  17, 8, "Add only a version 2 tag", nullptr, field},
    {"rbutBoth",            "grpID3Tag",  Radio,      14, 198, 267,  17, 9, "Force addition of version 2 tag", nullptr, field},
    {"flg1stEmpty",         "grpID3Tag",  Check,      14, 222, 286,  17, 10, "Pad version 1 tag with spaces instead of nulls", nullptr, field},
    // widened from 195: the English caption
    {"flg2ndEmpty",         "grpID3Tag",  Check,      14, 244, 210,  17, 11, "Pad version 2 tag with extra 128 bytes", nullptr, field},

    {"edtCommandLine",      "Form1",      Memo,        6, 378, 515,  46, 1, "edtCommandLine", "Коммандная строка для программы Lame", field},
    {"flgReadOnly",         "Form1",      Check,      10, 425, 114,  17, 2, "View only", nullptr, field},
};
// clang-format on

} // namespace

TableView<ControlSpec> layoutTable()
{
    return kTable;
}

const ControlSpec *findControlSpec(QStringView name)
{
    for (const ControlSpec &row : kTable) {
        if (name == QLatin1StringView(row.name))
            return &row;
    }
    return nullptr;
}

} // namespace fenwave
