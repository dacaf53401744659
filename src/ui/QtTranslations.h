#pragma once

#include "language/Language.h"

namespace fenwave {

// Qt's own texts (file dialogs, standard buttons, edit context menus) in the interface
// language: for Russian, Qt's translation from the system's Qt translations folder is
// installed; for English, or any other language, it is removed. Open windows follow at
// once. A missing translation file leaves Qt's texts in English. Returns whether Qt's
// texts now speak `language` (always for English).
bool useQtTextsFor(Language language);

} // namespace fenwave
