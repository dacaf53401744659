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

struct Trigger {
    Field field;
    Rule rule;
};

constexpr Trigger kTriggers[] = {
    {Field::rgrInputType, rgrInputTypeRule}, {Field::flgMP3Decode, flgMP3DecodeRule},
    {Field::flgCompRatio, flgCompRatioRule}, {Field::flgScale, flgScaleRule},
    {Field::flgScaleLeft, flgScaleLeftRule}, {Field::flgScaleRight, flgScaleRightRule},
    {Field::flgPresets, flgPresetsRule},     {Field::flgUseATHMask, flgUseATHMaskRule},
    {Field::flgNoATH, flgNoATHRule},         {Field::flgNoFilter, flgNoFilterRule},
    {Field::rbutCBR, rbutCBRRule},           {Field::rbutABR, rbutABRRule},
    {Field::rbutVBR, rbutVBRRule},           {Field::rbut1stOnly, rbut1stOnlyRule},
    {Field::rbut2ndOnly, rbut2ndOnlyRule},   {Field::rbutBoth, rbutBothRule},
    {Field::flgDefault, flgDefaultRule},
};

static_assert(std::size(kTriggers) == 17, "seventeen controls carry a rule");

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

Rule ruleOf(Field field)
{
    for (const Trigger &trigger : kTriggers) {
        if (trigger.field == field)
            return trigger.rule;
    }
    return nullptr;
}

void applyAvailability(const RuleEffects &effects, OptionSet &options)
{
    for (const EnabledFlag &flag : effects.enabled) {
        if (const Field *field = std::get_if<Field>(&flag.target))
            options.setAvailable(*field, flag.enabled);
    }
}

} // namespace fenwave
