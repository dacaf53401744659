#include "options/OptionSet.h"

#include <QHash>

#include <algorithm>

namespace fenwave {

namespace {

using K = FieldKind;
using L = ItemList;
using G = ExclusiveGroup;
constexpr bool on = true;
constexpr bool off = false;
constexpr bool available = true;
constexpr bool unavailable = false;

// clang-format off
#define ROW(name, kind, startOn, startIndex, startText, startAvailable, items, group) \
    {Field::name, #name, kind, startOn, startIndex, startText, startAvailable, items, group}

// Start values of a fresh window, one row per field in the order of Field.
constexpr FieldInfo kFields[] = {
    ROW(LamePath,          K::FreeText,            off, -1, "",        available,   L::None,          G::None),
    ROW(edtCommandLine,    K::FreeText,            off, -1, "",        unavailable, L::None,          G::None),
    ROW(flgReadOnly,       K::Flag,                on,  -1, "",        available,   L::None,          G::None),
    // tabInput
    ROW(edtInput,          K::FreeText,            off, -1, "",        available,   L::None,          G::None),
    ROW(rgrInputType,      K::IndexChoice,         off,  5, "",        available,   L::InputTypes,    G::None),
    ROW(cbxSampleFreq,     K::TextChoice,          off, -1, "44.1",    available,   L::SampleRates,   G::None),
    ROW(flgForceInput,     K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgMonoDownmix,    K::Flag,                off, -1, "",        unavailable, L::None,          G::None),
    ROW(flgMP3Decode,      K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgWavHeader,      K::Flag,                off, -1, "",        unavailable, L::None,          G::None),
    // tabOutput
    ROW(edtOutput,         K::FreeText,            off, -1, "",        available,   L::None,          G::None),
    ROW(rgpOutputType,     K::IndexChoice,         off,  1, "",        available,   L::OutputTypes,   G::None),
    ROW(flgDiffBlock,      K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(edtStat,           K::NumberText,          off, -1, "",        available,   L::None,          G::None),
    ROW(flgVorbis,         K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgFreeformat,     K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgCompRatio,      K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(edtCompRatio,      K::NumberText,          off, -1, "",        unavailable, L::None,          G::None),
    ROW(flgScale,          K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(edtScale,          K::NumberText,          off, -1, "",        unavailable, L::None,          G::None),
    ROW(flgScaleLeft,      K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(edtScaleLeft,      K::NumberText,          off, -1, "",        unavailable, L::None,          G::None),
    ROW(flgScaleRight,     K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(edtScaleRight,     K::NumberText,          off, -1, "",        unavailable, L::None,          G::None),
    ROW(flgUseATHMask,     K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgNoATH,          K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(edtATH,            K::NumberText,          off, -1, "",        unavailable, L::None,          G::None),
    ROW(flgTempMask,       K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgShortBlock,     K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgVoiceMode,      K::Flag,                off, -1, "",        unavailable, L::None,          G::None),
    ROW(flgPresets,        K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(cbxPresets,        K::IndexChoiceWithText, off, -1, "",        unavailable, L::DesignPresets, G::None),
    ROW(flgDefault,        K::Flag,                off, -1, "",        available,   L::None,          G::None),
    // tabBitrate
    ROW(rbutCBR,           K::ExclusiveFlag,       on,  -1, "",        available,   L::None,          G::BitrateMode),
    ROW(cbxCBR,            K::TextChoice,          off, -1, "128",     available,   L::Bitrates,      G::None),
    ROW(rbutABR,           K::ExclusiveFlag,       off, -1, "",        available,   L::None,          G::BitrateMode),
    ROW(cbxABR,            K::TextChoice,          off, -1, "128",     available,   L::Bitrates,      G::None),
    ROW(rbutVBR,           K::ExclusiveFlag,       off, -1, "",        available,   L::None,          G::BitrateMode),
    ROW(cbxVBRMode,        K::IndexChoiceWithText, off,  1, "",        available,   L::VbrModes,      G::None),
    ROW(cbxVBRQuality,     K::TextChoice,          off, -1, "4",       available,   L::Digits,        G::None),
    ROW(cbxMinBitrate,     K::TextChoice,          off, -1, "32",      available,   L::Bitrates,      G::None),
    ROW(cbxMaxBitrate,     K::TextChoice,          off, -1, "320",     available,   L::Bitrates,      G::None),
    ROW(flgSupport,        K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgLameTagDis,     K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgLameTagEn,      K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(cbxEmp,            K::TextChoice,          off, -1, "",        available,   L::Emphasis,      G::None),
    ROW(flgCopyright,      K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgNonOriginal,    K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgErrorProtection,K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgBitRes,         K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgMaxISO,         K::Flag,                off, -1, "",        available,   L::None,          G::None),
    // tabFilter
    ROW(cbxNoise,          K::TextChoice,          off, -1, "5",       available,   L::Digits,        G::None),
    ROW(flgNoFilter,       K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(edtLowPass,        K::NumberText,          off, -1, "",        available,   L::None,          G::None),
    ROW(edtLowPassWidth,   K::NumberText,          off, -1, "",        available,   L::None,          G::None),
    ROW(edtHighPass,       K::NumberText,          off, -1, "",        available,   L::None,          G::None),
    ROW(edtHighPassWidth,  K::NumberText,          off, -1, "",        available,   L::None,          G::None),
    ROW(edtOutputSample,   K::NumberText,          off, -1, "",        available,   L::None,          G::None),
    ROW(edtTonality,       K::NumberText,          off, -1, "",        available,   L::None,          G::None),
    // tabComment
    ROW(flgNoProgress,     K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgAllUseFull,     K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgBlankScreen,    K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flgHist,           K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(edtSongName,       K::FreeText,            off, -1, "",        available,   L::None,          G::None),
    ROW(edtArtist,         K::FreeText,            off, -1, "",        available,   L::None,          G::None),
    ROW(edtAlbum,          K::FreeText,            off, -1, "",        available,   L::None,          G::None),
    ROW(edtYear,           K::NumberText,          off, -1, "",        available,   L::None,          G::None),
    ROW(edtTrackNumber,    K::NumberText,          off, -1, "",        available,   L::None,          G::None),
    ROW(cbxGenre,          K::TextChoice,          off, -1, "",        available,   L::Genres,        G::None),
    ROW(edtComment,        K::FreeText,            off, -1, "",        available,   L::None,          G::None),
    ROW(rbut1stOnly,       K::ExclusiveFlag,       off, -1, "",        available,   L::None,          G::Id3Version),
    ROW(rbut2ndOnly,       K::ExclusiveFlag,       off, -1, "",        available,   L::None,          G::Id3Version),
    ROW(rbutBoth,          K::ExclusiveFlag,       off, -1, "",        available,   L::None,          G::Id3Version),
    ROW(flg1stEmpty,       K::Flag,                off, -1, "",        available,   L::None,          G::None),
    ROW(flg2ndEmpty,       K::Flag,                off, -1, "",        available,   L::None,          G::None),
};
// clang-format on
#undef ROW

constexpr bool rowsFollowFieldOrder()
{
    for (int i = 0; i < kFieldCount; ++i) {
        if (static_cast<int>(kFields[i].field) != i)
            return false;
    }
    return true;
}
static_assert(sizeof(kFields) / sizeof(kFields[0]) == kFieldCount, "one row per field");
static_assert(rowsFollowFieldOrder(), "rows must follow the order of Field");

// A list the user may also type in shows the text of its start item; with no item selected, the
// text of its first.
QString startText(const FieldInfo &row)
{
    if (row.kind != FieldKind::IndexChoiceWithText)
        return QString::fromUtf8(row.startText);
    return itemList(row.items).value(std::max(row.startIndex, 0));
}

} // namespace

OptionSet::OptionSet()
{
    for (const FieldInfo &row : kFields) {
        FieldValue &v = value(row.field);
        v.on = row.startOn;
        v.index = row.startIndex;
        v.text = startText(row);
        v.available = row.startAvailable;
    }
}

const FieldInfo &OptionSet::info(Field field)
{
    return kFields[static_cast<int>(field)];
}

std::optional<Field> OptionSet::fieldByName(QStringView name)
{
    static const QHash<QString, Field> byName = [] {
        QHash<QString, Field> map;
        for (const FieldInfo &row : kFields)
            map.insert(QString::fromLatin1(row.name), row.field);
        return map;
    }();
    const auto it = byName.constFind(name.toString());
    if (it == byName.constEnd())
        return std::nullopt;
    return *it;
}

void OptionSet::setOn(Field field, bool on)
{
    const ExclusiveGroup group = info(field).group;
    if (on && group != ExclusiveGroup::None) {
        for (const FieldInfo &row : kFields) {
            if (row.group == group && row.field != field)
                value(row.field).on = false;
        }
    }
    value(field).on = on;
}

bool OptionSet::operator==(const OptionSet &other) const
{
    return m_values == other.m_values;
}

} // namespace fenwave
