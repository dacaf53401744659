#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

class QLabel;
class QMainWindow;
class QObject;
class QWidget;

namespace fenwave {

// Client area as designed, without the menu bar.
inline constexpr QSize designClientSize{531, 461};
inline constexpr int designStatusBarHeight = 19;

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

// Every check box, radio button, label, group box and button under `root` (root included) whose
// caption does not fit in the current font: cut by its own width, running past its parent's right
// edge, or running under an input control beside it. One line per finding, starting with the
// objectName. Empty when everything fits.
QStringList captionsThatDoNotFit(QWidget *root);

// Grabs the whole window to OUTDIR/window<suffix>.png and each page of pgOptions, brought to the
// front in turn, to OUTDIR/page-<page name><suffix>.png; the page in front is restored afterwards.
// Creates OUTDIR when missing. Returns false (and reports on stderr) when a file cannot be written.
bool grabPictures(QMainWindow *window, const QString &outDir, const QString &suffix);

} // namespace fenwave
