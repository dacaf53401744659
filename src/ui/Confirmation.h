#pragma once

#include <QString>

class QWidget;

namespace fenwave {

// The program's confirmation question: a question box titled "Confirm" with OK (the default)
// and Cancel (also Escape and the close box). true for OK.
bool askToConfirm(QWidget *parent, const QString &text);

} // namespace fenwave
