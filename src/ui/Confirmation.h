#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace fenwave {

// The program's confirmation question: a question box titled "Confirm" with OK (the default)
// and Cancel (also Escape and the close box). true for OK.
bool askToConfirm(QWidget *parent, const QString &text);

// The program's message boxes say "OK" and "Cancel" in either interface language: the
// buttons of `box` get these texts, where Qt's translation would give them its own.
void keepProgramButtonTexts(QMessageBox &box);

} // namespace fenwave
