#pragma once

#include "language/Language.h"
#include "options/TableView.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace fenwave {

// Text = the edit text of a combo box (cbxPresets); AccessibleName = what a screen reader calls a
// control that has no label beside it.
enum class TextProperty { Caption, Hint, Text, AccessibleName };

// One assignment that ApplyLanguage makes, with the text for each language (UTF-8 literals).
struct TextAssignment {
    const char *target; // objectName of the control / page / menu item, e.g. "flgVorbis", "tabInput", "mnuRun"
    TextProperty property;
    const char *english;
    const char *russian;
};

// Every translated caption and hint in the order ApplyLanguage assigns them: the menu first,
// then the pages and their controls (input page, the "View only" box, output, bitrate,
// filter and info pages), last the accessible names of unlabelled controls. The cbxPresets list
// and edit text are rebuilt separately.
// Both languages have exactly the same targets.
TableView<TextAssignment> textAssignments();

// The text of one assignment for a language (empty for a number that names no language).
QString textFor(const TextAssignment &assignment, Language language);

// The 14 left edges that depend on the language, in the order ApplyLanguage sets them.
struct LeftEdge {
    const char *target;
    int english;
    int russian;
};
TableView<LeftEdge> languageLeftEdges();

// The six preset names of cbxPresets for a language (empty for a number that names no language).
QStringList presetNames(Language language);

} // namespace fenwave
