#include "options/CommandLine.h"

#include "options/CommandSplit.h"

#include <algorithm>
#include <optional>
#include <vector>

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
    std::optional<Field> other = std::nullopt; // ModeValue: the field that holds the value
    const char *extra = nullptr;               // UnlessExactly: the text that emits nothing
    int wordList = 0;                          // IndexWord: which word list
};

constexpr const char *kInputTypeWords[] = {" --mp1input", " --mp2input", " --mp3input", " --ogginput", " -r"};
constexpr const char *kOutputTypeWords[] = {" -m s", " -m j", " -m f", " -m m", " -m a"};
// The sixth item, "Studio", emits " studio"; no item emits " cd".
constexpr const char *kPresetWords[] = {" phone", " voice", " fm", " tape", " hifi", " studio"};
constexpr const char *kVbrModeWords[] = {" --vbr-new ", " --vbr-old ", " --vbr-mtrh "};

// The switches of the full form in their order; the encoder path comes before them, the input
// and output paths after them.
const StepRow kSteps[] = {
    {Step::IndexWord, Field::rgrInputType, nullptr, std::nullopt, nullptr, 0},
    {Step::UnlessExactly, Field::cbxSampleFreq, " -s ", std::nullopt, "44.1"},
    {Step::Flag, Field::flgForceInput, " -x"},
    {Step::IndexWord, Field::rgpOutputType, nullptr, std::nullopt, nullptr, 1},
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
    {Step::UnlessExactly, Field::cbxNoise, " -q ", std::nullopt, "5"},
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

// One piece of the composed switches. The text form shows each piece after a blank; the
// argument form passes each piece but a gap as one argument, exactly.
enum class Shape {
    Word,   // shown as it stands
    Quoted, // shown in double quotes when it holds a separator
    Gap,    // shown as nothing (a doubled blank in the text), passes no argument
};

struct Piece {
    QString text;
    Shape shape;
};

using Pieces = std::vector<Piece>;

// Our own literals (" -m s", " --vbr-new ") start with a blank; each further blank starts a
// piece, and an empty one is a gap.
void appendLiteral(Pieces &pieces, QLatin1String literal)
{
    qsizetype blank = literal.indexOf(QLatin1Char(' '));
    while (blank >= 0) {
        const qsizetype next = literal.indexOf(QLatin1Char(' '), blank + 1);
        const QLatin1String word = literal.sliced(blank + 1, (next < 0 ? literal.size() : next) - blank - 1);
        pieces.push_back({QString(word), word.isEmpty() ? Shape::Gap : Shape::Word});
        blank = next;
    }
}

// A switch literal ending in a blank (" -s "), then its value as one piece.
void appendSwitchAndValue(Pieces &pieces, const char *literal, QStringView value, Shape shape = Shape::Word)
{
    QLatin1String switchPart(literal);
    switchPart.chop(1);
    appendLiteral(pieces, switchPart);
    pieces.push_back({value.toString(), shape});
}

template <std::size_t N> void appendWord(Pieces &pieces, const char *const (&words)[N], int index)
{
    if (index >= 0 && index < int(N))
        appendLiteral(pieces, QLatin1String(words[index]));
}

void appendWordOfList(Pieces &pieces, int list, int index)
{
    if (list == 0)
        appendWord(pieces, kInputTypeWords, index);
    else
        appendWord(pieces, kOutputTypeWords, index);
}

void appendTrimmed(Pieces &pieces, const char *literal, QStringView text)
{
    const QStringView value = trimBelow33(text);
    if (!value.isEmpty())
        appendSwitchAndValue(pieces, literal, value);
}

void appendVbrGroup(Pieces &pieces, const OptionSet &options)
{
    appendWord(pieces, kVbrModeWords, options.index(Field::cbxVBRMode));
    appendSwitchAndValue(pieces, " -V ", options.text(Field::cbxVBRQuality));
    appendSwitchAndValue(pieces, " -b ", options.text(Field::cbxMinBitrate));
    appendSwitchAndValue(pieces, " -B ", options.text(Field::cbxMaxBitrate));
    if (options.isOn(Field::flgSupport))
        appendLiteral(pieces, QLatin1String(" -F"));
    if (options.isOn(Field::flgLameTagDis))
        appendLiteral(pieces, QLatin1String(" -t"));
    if (options.isOn(Field::flgHist))
        appendLiteral(pieces, QLatin1String(" --nohist"));
}

void appendTagPart(Pieces &pieces, const OptionSet &options)
{
    for (const TagRow &row : kTagSwitches) {
        const QStringView value = trimBelow33(options.text(row.field));
        if (!value.isEmpty())
            appendSwitchAndValue(pieces, row.literal, value, row.quoted ? Shape::Quoted : Shape::Word);
    }
}

void appendStep(Pieces &pieces, const OptionSet &options, const StepRow &row)
{
    const FieldValue &v = options.value(row.field);
    switch (row.step) {
    case Step::Flag:
        if (v.on)
            appendLiteral(pieces, QLatin1String(row.literal));
        break;
    case Step::AvailableFlag:
        if (v.available && v.on)
            appendLiteral(pieces, QLatin1String(row.literal));
        break;
    case Step::Trimmed: appendTrimmed(pieces, row.literal, v.text); break;
    case Step::AvailableTrimmed:
        if (v.available)
            appendTrimmed(pieces, row.literal, v.text);
        break;
    case Step::UnlessExactly:
        if (v.text != QLatin1String(row.extra))
            appendSwitchAndValue(pieces, row.literal, v.text);
        break;
    case Step::UntrimmedNotEmpty:
        if (!v.text.isEmpty())
            appendSwitchAndValue(pieces, row.literal, v.text);
        break;
    case Step::IndexWord: appendWordOfList(pieces, row.wordList, v.index); break;
    case Step::AthLower:
        if (!options.isOn(Field::flgNoATH))
            appendTrimmed(pieces, row.literal, v.text);
        break;
    case Step::Preset:
        if (v.available) {
            appendLiteral(pieces, QLatin1String(row.literal));
            appendWord(pieces, kPresetWords, v.index);
        }
        break;
    case Step::ModeValue:
        if (v.on)
            appendSwitchAndValue(pieces, row.literal, options.text(*row.other));
        break;
    case Step::VbrGroup:
        if (v.on)
            appendVbrGroup(pieces, options);
        break;
    case Step::Filters:
        if (v.on) {
            appendLiteral(pieces, QLatin1String(row.literal));
        } else {
            for (const FilterRow &filter : kFilterSwitches)
                appendTrimmed(pieces, filter.literal, options.text(filter.field));
        }
        break;
    case Step::TagPart: appendTagPart(pieces, options); break;
    }
}

// The one walk both forms of the full line come from.
Pieces fullSwitches(const OptionSet &options)
{
    Pieces pieces;
    pieces.reserve(64);
    for (const StepRow &row : kSteps)
        appendStep(pieces, options, row);
    return pieces;
}

const Pieces &shortSwitches()
{
    static const Pieces pieces{{QStringLiteral("-h"), Shape::Word}};
    return pieces;
}

QString lineOf(const OptionSet &options, const Pieces &switches)
{
    QString line;
    line.reserve(512);
    line += quotedAsOneArgument(options.text(Field::LamePath));
    for (const Piece &piece : switches) {
        line += QLatin1Char(' ');
        line += piece.shape == Shape::Quoted ? quotedAsOneArgument(piece.text) : piece.text;
    }
    for (Field field : {Field::edtInput, Field::edtOutput}) {
        const QStringView path = trimBelow33(options.text(field));
        if (path.isEmpty())
            continue;
        line += QLatin1Char(' ');
        line += quotedAsOneArgument(path);
    }
    return line;
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
    return lineOf(options, fullSwitches(options));
}

QString composeShortCommandLine(const OptionSet &options)
{
    return lineOf(options, shortSwitches());
}

QStringList composeSwitches(const OptionSet &options, CommandForm form)
{
    const Pieces &pieces = form == CommandForm::Full ? fullSwitches(options) : shortSwitches();
    QStringList switches;
    switches.reserve(qsizetype(pieces.size()));
    for (const Piece &piece : pieces) {
        if (piece.shape != Shape::Gap)
            switches += piece.text;
    }
    return switches;
}

} // namespace fenwave
