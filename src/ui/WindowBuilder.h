#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

class QLabel;
class QMainWindow;
class QObject;
class QWidget;

namespace fenwave {

// Client area of the window, without the menu bar.
inline constexpr QSize kDesignClientSize{531, 461};
inline constexpr int kDesignStatusBarHeight = 19;

// Builds the whole window inside `window` from the layout and menu tables: fonts, pgOptions with
// its five pages (tabInput in front) and every control, edtCommandLine, flgReadOnly, the menu bar
// "mnuMain", the status bar "stsString" with its one panel "stsStringPanel", fixed size, title and
// window flags, tab order. Every widget and QAction carries its design name as objectName; hints
// are the dynamic property "hint". Combo boxes get no items, radio buttons none checked.
void buildWindow(QMainWindow *window);

// Resizes a label to its text, except Label10, Label11 and Label12, which keep their width and
// centre their text.
void fitLabel(QLabel *label);

// Sets the visible caption of a label (then fitLabel), check box, radio button, button, group box
// or radio group, page of pgOptions, QAction or QMenu. '&' is shown as itself, never a shortcut.
// Returns false when `target` is none of these.
bool setCaption(QObject *target, const QString &text);

// `text` with every '&' doubled, so that Qt shows it instead of making a shortcut of it.
QString withoutMnemonic(const QString &text);

} // namespace fenwave
