#pragma once

#include "options/OptionSet.h"

#include <optional>
#include <variant>
#include <vector>

namespace fenwave {

// Parts of the window that hold no option but that rules switch on and off: whole pages, group
// boxes, and the labels that "Use default settings" greys out beside their edits.
enum class Fixture { tabBitrate, tabFilter, grpCBR, grpABR, grpVBR, grpFilter, Label3, Label4, Label5, Label6 };
inline constexpr int kFixtureCount = static_cast<int>(Fixture::Label6) + 1;

// The design name of a fixture ("grpCBR", ...).
const char *fixtureName(Fixture fixture);

// One enabled flag that a rule sets: a field's own availability, or a fixture's.
struct EnabledFlag {
    std::variant<Field, Fixture> target;
    bool enabled;
};

// The command line a handler writes once its rule is done.
enum class Recompose {
    None, // the line stays as it is
    Full,
    ByDefaultFlag, // the short line while "Use default settings" is checked, else the full one
};

// What one rule decides, carried out in this order: the partner is unchecked first (unchecking it
// runs the partner's own rule at once), then the flags are set, then the line is recomposed.
struct RuleEffects {
    std::optional<Field> uncheck;
    std::vector<EnabledFlag> enabled;
    Recompose recompose = Recompose::Full;
};

// A rule reads the option set as it is just after its trigger changed, and changes nothing itself.
using Rule = RuleEffects (*)(const OptionSet &options);

// What a change of `field` runs, the same in the window and in a restore without one: nullptr
// when it runs nothing; for a field without an interlock of its own, a rule whose only effect is
// the full line; else the rule named after its control.
Rule ruleOf(Field field);

// Gives the fields among the effects their availability; fixtures are no part of an option set.
void applyAvailability(const RuleEffects &effects, OptionSet &options);

} // namespace fenwave
