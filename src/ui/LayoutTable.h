#pragma once

#include "options/TableView.h"

#include <QStringView>

namespace fenwave {

// Whether a control starts enabled. An option field's control starts as the option set says, so
// that its start state has one home; only what is no option field says Yes or No here.
enum class StartEnabled { Yes, No, AsOptionField };

enum class ControlKind {
    Page,
    GroupBox,
    RadioGroup,
    Label,
    CheckBox,
    RadioButton,
    Edit,
    Memo,
    ComboBox,
    Button,
    PageControl, // pgOptions: the tab widget that holds the five pages
};

// One control of the main window: where it sits and what it shows when built.
struct ControlSpec {
    const char *name;   // objectName, e.g. "flgVorbis"
    const char *parent; // objectName of the parent: "pgOptions" for pages, a page or group box name,
                        // or "Form1" for pgOptions, edtCommandLine and flgReadOnly
    ControlKind kind;
    int x, y, w, h;      // relative to the parent's client area; group box children relative to the
                         // group box's top-left corner; pages are placed by pgOptions
    int tabOrder;        // within the parent; -1 for labels
    const char *caption; // design-time caption; nullptr if none
    const char *hint;    // design-time hint that no language set assigns; nullptr otherwise
    StartEnabled enabled;
};

// pgOptions, the pages in their order each followed by its controls (top to bottom), then the
// controls below the pages.
TableView<ControlSpec> layoutTable();

// nullptr when the name is not in the table.
const ControlSpec *findControlSpec(QStringView name);

} // namespace fenwave
