#pragma once

#include <QString>

class QWidget;

namespace fenwave {

// The program's message boxes, built here and nowhere else: titled with the program's name
// (the confirmation question "Confirm"), modal to `parent`, and with buttons that say "OK"
// and "Cancel" in either interface language.

// What a box tells: a plain notice without an icon, or an error with the error icon.
enum class MessageKind { Notice, Error };

// A box with OK only; returns once the user has closed it.
void showMessage(QWidget *parent, MessageKind kind, const QString &text);

// The confirmation question: a question box titled "Confirm" with OK (the default) and
// Cancel (also Escape and the close box). true for OK.
bool askToConfirm(QWidget *parent, const QString &text);

} // namespace fenwave
