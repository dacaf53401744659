#include "options/Interlocks.h"

#include <iterator>

namespace fenwave {

namespace {

RuleEffects enables(std::initializer_list<EnabledFlag> flags)
{
    return {std::nullopt, flags, Recompose::Full};
}

// A field made available exactly while a check box is checked.
RuleEffects follows(Field dependent, const OptionSet &options, Field box)
{
    return enables({{dependent, options.isOn(box)}});
}

RuleEffects bitrateGroups(bool abr, bool vbr, bool cbr)
{
    return enables({{Fixture::grpABR, abr}, {Fixture::grpVBR, vbr}, {Fixture::grpCBR, cbr}});
}

// What "Use default settings" greys out, in the order it does so.
constexpr std::variant<Field, Fixture> kDefaultGoverned[] = {
    Fixture::tabBitrate,  Fixture::tabFilter,   Field::flgDiffBlock, Field::edtStat,       Field::flgVorbis,
    Field::flgFreeformat, Field::flgCompRatio,  Field::flgScale,     Field::edtScale,      Field::flgUseATHMask,
    Field::flgNoATH,      Field::edtATH,        Field::flgTempMask,  Field::flgShortBlock, Field::flgVoiceMode,
    Field::flgPresets,    Field::rgpOutputType, Fixture::Label3,     Fixture::Label4,      Field::flgMP3Decode,
    Fixture::Label5,      Fixture::Label6,
};

RuleEffects rgrInputTypeRule(const OptionSet &options)
{
    return enables({{Field::flgMonoDownmix, options.index(Field::rgrInputType) == kRawPcmInputType}});
}

RuleEffects flgMP3DecodeRule(const OptionSet &options)
{
    return follows(Field::flgWavHeader, options, Field::flgMP3Decode);
}

RuleEffects flgCompRatioRule(const OptionSet &options)
{
    return follows(Field::edtCompRatio, options, Field::flgCompRatio);
}

RuleEffects flgScaleRule(const OptionSet &options)
{
    return follows(Field::edtScale, options, Field::flgScale);
}

RuleEffects flgScaleLeftRule(const OptionSet &options)
{
    return follows(Field::edtScaleLeft, options, Field::flgScaleLeft);
}

RuleEffects flgScaleRightRule(const OptionSet &options)
{
    return follows(Field::edtScaleRight, options, Field::flgScaleRight);
}

RuleEffects flgPresetsRule(const OptionSet &options)
{
    return follows(Field::cbxPresets, options, Field::flgPresets);
}

// Checking one box of the ATH pair unchecks the other; unchecking either leaves edtATH as it is.
RuleEffects flgUseATHMaskRule(const OptionSet &options)
{
    if (!options.isOn(Field::flgUseATHMask))
        return {};
    return {Field::flgNoATH, {{Field::edtATH, true}}, Recompose::Full};
}

RuleEffects flgNoATHRule(const OptionSet &options)
{
    if (!options.isOn(Field::flgNoATH))
        return {};
    return {Field::flgUseATHMask, {{Field::edtATH, false}}, Recompose::Full};
}

RuleEffects flgNoFilterRule(const OptionSet &options)
{
    return enables({{Fixture::grpFilter, !options.isOn(Field::flgNoFilter)}});
}

RuleEffects rbutCBRRule(const OptionSet &)
{
    return bitrateGroups(false, false, true);
}

RuleEffects rbutABRRule(const OptionSet &)
{
    return bitrateGroups(true, false, false);
}

RuleEffects rbutVBRRule(const OptionSet &)
{
    return bitrateGroups(false, true, false);
}

RuleEffects rbut1stOnlyRule(const OptionSet &options)
{
    return enables({{Field::flg2ndEmpty, !options.isOn(Field::rbut1stOnly)},
                    {Field::flg1stEmpty, !options.isOn(Field::rbut2ndOnly)}});
}

RuleEffects rbut2ndOnlyRule(const OptionSet &options)
{
    return enables({{Field::flg1stEmpty, !options.isOn(Field::rbut2ndOnly)},
                    {Field::flg2ndEmpty, !options.isOn(Field::rbut1stOnly)}});
}

RuleEffects rbutBothRule(const OptionSet &)
{
    return enables({{Field::flg1stEmpty, true}, {Field::flg2ndEmpty, true}});
}

// Unchecking enables all it governs without asking the other rules.
RuleEffects flgDefaultRule(const OptionSet &options)
{
    const bool enabled = !options.isOn(Field::flgDefault);
    RuleEffects effects;
    for (const std::variant<Field, Fixture> &target : kDefaultGoverned)
        effects.enabled.push_back({target, enabled});
    effects.recompose = Recompose::ByDefaultFlag;
    return effects;
}

// The command line is the box itself; "View only" makes it editable or not, and recomposes nothing.
RuleEffects flgReadOnlyRule(const OptionSet &options)
{
    return {std::nullopt, {{Field::edtCommandLine, !options.isOn(Field::flgReadOnly)}}, Recompose::None};
}

// A field without an interlock of its own: its change recomposes the full line, nothing more.
RuleEffects recomposes(const OptionSet &)
{
    return {};
}

constexpr Rule nothing = nullptr;

struct OnChange {
    Field field;
    Rule rule;
};

// What a change of each field runs, one row per field in the order of Field. The encoder path is
// no control, and the box of the line is what the others write to.
constexpr OnChange kOnChange[] = {
    {Field::LamePath, nothing},
    {Field::edtCommandLine, nothing},
    {Field::flgReadOnly, flgReadOnlyRule},
    // tabInput
    {Field::edtInput, recomposes},
    {Field::rgrInputType, rgrInputTypeRule},
    {Field::cbxSampleFreq, recomposes},
    {Field::flgForceInput, recomposes},
    {Field::flgMonoDownmix, recomposes},
    {Field::flgMP3Decode, flgMP3DecodeRule},
    {Field::flgWavHeader, recomposes},
    // tabOutput
    {Field::edtOutput, recomposes},
    {Field::rgpOutputType, recomposes},
    {Field::flgDiffBlock, recomposes},
    {Field::edtStat, recomposes},
    {Field::flgVorbis, recomposes},
    {Field::flgFreeformat, recomposes},
    {Field::flgCompRatio, flgCompRatioRule},
    {Field::edtCompRatio, recomposes},
    {Field::flgScale, flgScaleRule},
    {Field::edtScale, recomposes},
    {Field::flgScaleLeft, flgScaleLeftRule},
    {Field::edtScaleLeft, nothing},
    {Field::flgScaleRight, flgScaleRightRule},
    {Field::edtScaleRight, nothing},
    {Field::flgUseATHMask, flgUseATHMaskRule},
    {Field::flgNoATH, flgNoATHRule},
    {Field::edtATH, recomposes},
    {Field::flgTempMask, recomposes},
    {Field::flgShortBlock, recomposes},
    {Field::flgVoiceMode, recomposes},
    {Field::flgPresets, flgPresetsRule},
    {Field::cbxPresets, recomposes},
    {Field::flgDefault, flgDefaultRule},
    // tabBitrate
    {Field::rbutCBR, rbutCBRRule},
    {Field::cbxCBR, recomposes},
    {Field::rbutABR, rbutABRRule},
    {Field::cbxABR, recomposes},
    {Field::rbutVBR, rbutVBRRule},
    {Field::cbxVBRMode, recomposes},
    {Field::cbxVBRQuality, recomposes},
    {Field::cbxMinBitrate, recomposes},
    {Field::cbxMaxBitrate, recomposes},
    {Field::flgSupport, recomposes},
    {Field::flgLameTagDis, recomposes},
    {Field::flgLameTagEn, nothing},
    {Field::cbxEmp, recomposes},
    {Field::flgCopyright, recomposes},
    {Field::flgNonOriginal, recomposes},
    {Field::flgErrorProtection, recomposes},
    {Field::flgBitRes, recomposes},
    {Field::flgMaxISO, recomposes},
    // tabFilter
    {Field::cbxNoise, recomposes},
    {Field::flgNoFilter, flgNoFilterRule},
    {Field::edtLowPass, recomposes},
    {Field::edtLowPassWidth, recomposes},
    {Field::edtHighPass, recomposes},
    {Field::edtHighPassWidth, recomposes},
    {Field::edtOutputSample, recomposes},
    {Field::edtTonality, recomposes},
    // tabComment
    {Field::flgNoProgress, recomposes},
    {Field::flgAllUseFull, recomposes},
    {Field::flgBlankScreen, recomposes},
    {Field::flgHist, recomposes},
    {Field::edtSongName, recomposes},
    {Field::edtArtist, recomposes},
    {Field::edtAlbum, recomposes},
    {Field::edtYear, recomposes},
    {Field::edtTrackNumber, recomposes},
    {Field::cbxGenre, recomposes},
    {Field::edtComment, recomposes},
    {Field::rbut1stOnly, rbut1stOnlyRule},
    {Field::rbut2ndOnly, rbut2ndOnlyRule},
    {Field::rbutBoth, rbutBothRule},
    {Field::flg1stEmpty, recomposes},
    {Field::flg2ndEmpty, recomposes},
};

constexpr bool rowsFollowFieldOrder()
{
    for (int i = 0; i < kFieldCount; ++i) {
        if (static_cast<int>(kOnChange[i].field) != i)
            return false;
    }
    return true;
}
static_assert(std::size(kOnChange) == kFieldCount, "one row per field");
static_assert(rowsFollowFieldOrder(), "rows must follow the order of Field");

} // namespace

const char *fixtureName(Fixture fixture)
{
    switch (fixture) {
    case Fixture::tabBitrate: return "tabBitrate";
    case Fixture::tabFilter: return "tabFilter";
    case Fixture::grpCBR: return "grpCBR";
    case Fixture::grpABR: return "grpABR";
    case Fixture::grpVBR: return "grpVBR";
    case Fixture::grpFilter: return "grpFilter";
    case Fixture::Label3: return "Label3";
    case Fixture::Label4: return "Label4";
    case Fixture::Label5: return "Label5";
    case Fixture::Label6: return "Label6";
    }
    return "";
}

Rule ruleOf(Field field)
{
    return kOnChange[static_cast<int>(field)].rule;
}

void applyAvailability(const RuleEffects &effects, OptionSet &options)
{
    for (const EnabledFlag &flag : effects.enabled) {
        if (const Field *field = std::get_if<Field>(&flag.target))
            options.setAvailable(*field, flag.enabled);
    }
}

} // namespace fenwave
