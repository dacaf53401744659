#include "options/CommandLine.h"

#include "options/CommandSplit.h"

#include <algorithm>

namespace fenwave {

namespace {

// How one step of the full form decides on its piece.
enum class Step {
    Flag,              // literal when the flag is on
    AvailableFlag,     // literal when the flag is available and on
    Trimmed,           // literal + trimmed text, when the trimmed text is not empty
    AvailableTrimmed,  // the same, only while the field is available
    UnlessExactly,     // literal + untrimmed text, unless the text is exactly `extra`
    UntrimmedNotEmpty, // literal + untrimmed text, when it is not empty
    IndexWord,         // the word of the item index from a word list
    AthLower,          // literal + trimmed text, when not empty and flgNoATH is off
    Preset,            // literal + preset word of the index, while available
    ModeValue,         // literal + untrimmed text of `other`, when the mode flag is on
    VbrGroup,
    Filters,
    TagPart,
};

struct StepRow {
    Step step;
    Field field;
    const char *literal;
    Field other = Field::LamePath; // a second field some steps read
    const char *extra = nullptr;   // UnlessExactly: the text that emits nothing
    int wordList = 0;              // IndexWord: which word list
};

constexpr const char *kInputTypeWords[] = {" --mp1input", " --mp2input", " --mp3input", " --ogginput", " -r"};
constexpr const char *kOutputTypeWords[] = {" -m s", " -m j", " -m f", " -m m", " -m a"};
// The sixth item, "Studio", emits " studio"; no item emits " cd".
constexpr const char *kPresetWords[] = {" phone", " voice", " fm", " tape", " hifi", " studio"};
constexpr const char *kVbrModeWords[] = {" --vbr-new ", " --vbr-old ", " --vbr-mtrh "};

// The switches of the full form in their order; the encoder path comes before them, the input
// and output paths after them.
const StepRow kSteps[] = {
    {Step::IndexWord, Field::rgrInputType, nullptr, Field::LamePath, nullptr, 0},
    {Step::UnlessExactly, Field::cbxSampleFreq, " -s ", Field::LamePath, "44.1"},
    {Step::Flag, Field::flgForceInput, " -x"},
    {Step::IndexWord, Field::rgpOutputType, nullptr, Field::LamePath, nullptr, 1},
    {Step::AvailableFlag, Field::flgMonoDownmix, " -a"},
    {Step::Flag, Field::flgDiffBlock, " -d"},
    {Step::Trimmed, Field::edtStat, " --disptime "},
    {Step::Flag, Field::flgVorbis, " --ogg"},
    {Step::Flag, Field::flgFreeformat, " --freeformat"},
    {Step::Flag, Field::flgMP3Decode, " --decode"},
    {Step::AvailableFlag, Field::flgWavHeader, " -t"},
    {Step::AvailableTrimmed, Field::edtCompRatio, " --comp "},
    {Step::AvailableTrimmed, Field::edtScale, " --scale "},
    {Step::Flag, Field::flgUseATHMask, " --athonly"},
    {Step::Flag, Field::flgNoATH, " --noath"},
    {Step::AthLower, Field::edtATH, " --athlower "},
    {Step::Flag, Field::flgTempMask, " --notemp"},
    {Step::Flag, Field::flgShortBlock, " --short"},
    {Step::Flag, Field::flgVoiceMode, " --voice"},
    {Step::Preset, Field::cbxPresets, " --preset "},
    {Step::ModeValue, Field::rbutCBR, " -b ", Field::cbxCBR},
    {Step::ModeValue, Field::rbutABR, " --abr ", Field::cbxABR},
    {Step::VbrGroup, Field::rbutVBR, nullptr},
    {Step::UntrimmedNotEmpty, Field::cbxEmp, " -e "},
    {Step::Flag, Field::flgCopyright, " -c"},
    {Step::Flag, Field::flgNonOriginal, " -o"},
    {Step::Flag, Field::flgErrorProtection, " -p"},
    {Step::Flag, Field::flgBitRes, " --nores"},
    {Step::Flag, Field::flgMaxISO, " --strictly-enforce-ISO"},
    {Step::UnlessExactly, Field::cbxNoise, " -q ", Field::LamePath, "5"},
    {Step::Filters, Field::flgNoFilter, " -k"},
    {Step::Flag, Field::flgNoProgress, " -S"},
    {Step::Flag, Field::flgAllUseFull, " --verbose"},
    {Step::Flag, Field::flgBlankScreen, " --silent"},
    {Step::TagPart, Field::edtSongName, nullptr},
    {Step::Flag, Field::rbut1stOnly, " --id3v1-only"},
    {Step::AvailableFlag, Field::flg1stEmpty, " --space-id3v1"},
    {Step::Flag, Field::rbut2ndOnly, " --id3v2-only"},
    {Step::AvailableFlag, Field::flg2ndEmpty, " --pad-id3v2"},
    {Step::Flag, Field::rbutBoth, " --add-id3v2"},
};

// clang-format off
struct FilterRow { Field field; const char *literal; };
constexpr FilterRow kFilterSwitches[] = {
    {Field::edtLowPass, " --lowpass "},
    {Field::edtLowPassWidth, " --lowpass-width "},
    {Field::edtHighPass, " --highpass "},
    {Field::edtHighPassWidth, " --highpass-width "},
    {Field::edtOutputSample, " --resample "},
    {Field::edtTonality, " --cwlimit "},
};

struct TagRow { Field field; const char *literal; bool quoted; };
constexpr TagRow kTagSwitches[] = {
    {Field::edtSongName, " --tt ", true},
    {Field::edtArtist, " --ta ", true},
    {Field::edtAlbum, " --tl ", true},
    {Field::edtYear, " --ty ", false},
    {Field::edtTrackNumber, " --tn ", false},
    {Field::cbxGenre, " --tg ", true},
    {Field::edtComment, " --tc ", true},
};
// clang-format on

template <std::size_t N> void appendWord(QString &line, const char *const (&words)[N], int index)
{
    if (index >= 0 && index < int(N))
        line += QLatin1String(words[index]);
}

void appendWordOfList(QString &line, int list, int index)
{
    if (list == 0)
        appendWord(line, kInputTypeWords, index);
    else
        appendWord(line, kOutputTypeWords, index);
}

void appendEncoderPath(QString &line, const OptionSet &options)
{
    line += quotedAsOneArgument(options.text(Field::LamePath));
}

void appendPathPiece(QString &line, const OptionSet &options, Field field)
{
    const QStringView path = trimBelow33(options.text(field));
    if (path.isEmpty())
        return;
    line += QLatin1Char(' ');
    line += quotedAsOneArgument(path);
}

void appendTrimmed(QString &line, const char *literal, QStringView text)
{
    const QStringView value = trimBelow33(text);
    if (value.isEmpty())
        return;
    line += QLatin1String(literal);
    line += value;
}

void appendVbrGroup(QString &line, const OptionSet &options)
{
    appendWord(line, kVbrModeWords, options.index(Field::cbxVBRMode));
    line += QLatin1String(" -V ") + options.text(Field::cbxVBRQuality);
    line += QLatin1String(" -b ") + options.text(Field::cbxMinBitrate);
    line += QLatin1String(" -B ") + options.text(Field::cbxMaxBitrate);
    if (options.isOn(Field::flgSupport))
        line += QLatin1String(" -F");
    if (options.isOn(Field::flgLameTagDis))
        line += QLatin1String(" -t");
    if (options.isOn(Field::flgHist))
        line += QLatin1String(" --nohist");
}

void appendTagPart(QString &line, const OptionSet &options)
{
    for (const TagRow &row : kTagSwitches) {
        const QStringView value = trimBelow33(options.text(row.field));
        if (value.isEmpty())
            continue;
        line += QLatin1String(row.literal);
        if (row.quoted)
            line += quotedAsOneArgument(value);
        else
            line += value;
    }
}

void appendStep(QString &line, const OptionSet &options, const StepRow &row)
{
    const FieldValue &v = options.value(row.field);
    switch (row.step) {
    case Step::Flag:
        if (v.on)
            line += QLatin1String(row.literal);
        break;
    case Step::AvailableFlag:
        if (v.available && v.on)
            line += QLatin1String(row.literal);
        break;
    case Step::Trimmed: appendTrimmed(line, row.literal, v.text); break;
    case Step::AvailableTrimmed:
        if (v.available)
            appendTrimmed(line, row.literal, v.text);
        break;
    case Step::UnlessExactly:
        if (v.text != QLatin1String(row.extra))
            line += QLatin1String(row.literal) + v.text;
        break;
    case Step::UntrimmedNotEmpty:
        if (!v.text.isEmpty())
            line += QLatin1String(row.literal) + v.text;
        break;
    case Step::IndexWord: appendWordOfList(line, row.wordList, v.index); break;
    case Step::AthLower:
        if (!options.isOn(Field::flgNoATH))
            appendTrimmed(line, row.literal, v.text);
        break;
    case Step::Preset:
        if (v.available) {
            line += QLatin1String(row.literal);
            appendWord(line, kPresetWords, v.index);
        }
        break;
    case Step::ModeValue:
        if (v.on)
            line += QLatin1String(row.literal) + options.text(row.other);
        break;
    case Step::VbrGroup:
        if (v.on)
            appendVbrGroup(line, options);
        break;
    case Step::Filters:
        if (v.on) {
            line += QLatin1String(row.literal);
        } else {
            for (const FilterRow &filter : kFilterSwitches)
                appendTrimmed(line, filter.literal, options.text(filter.field));
        }
        break;
    case Step::TagPart: appendTagPart(line, options); break;
    }
}

} // namespace

QStringView trimBelow33(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() < 33)
        ++begin;
    while (end > begin && text[end - 1].unicode() < 33)
        --end;
    return text.mid(begin, end - begin);
}

QString quotedAsOneArgument(QStringView text)
{
    if (std::none_of(text.begin(), text.end(), separatesArguments))
        return text.toString();
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('"');
    quoted += text;
    quoted += QLatin1Char('"');
    return quoted;
}

bool commandLineCarries(QStringView name, PathPiece piece)
{
    if (name.contains(QLatin1Char('"')))
        return false;
    return piece == PathPiece::Untrimmed || trimBelow33(name).size() == name.size();
}

QString composeFullCommandLine(const OptionSet &options)
{
    QString line;
    line.reserve(512);
    appendEncoderPath(line, options);
    for (const StepRow &row : kSteps)
        appendStep(line, options, row);
    appendPathPiece(line, options, Field::edtInput);
    appendPathPiece(line, options, Field::edtOutput);
    return line;
}

QString composeShortCommandLine(const OptionSet &options)
{
    QString line;
    appendEncoderPath(line, options);
    line += QLatin1String(" -h");
    appendPathPiece(line, options, Field::edtInput);
    appendPathPiece(line, options, Field::edtOutput);
    return line;
}

} // namespace fenwave
