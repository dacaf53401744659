#pragma once

#include "language/Language.h"
#include "options/OptionSet.h"
#include "settings/IniDocument.h"

#include <QtGlobal>

namespace fenwave {

// Restores a settings file into an option set the way the window does, without a window: the keys
// arrive in file order, and each value that changes its field runs, at once, what the window's
// handler of that field would run (its rule, cascades included, or only a recomposition); a
// restored list text runs nothing. `current` is the state before the restore ("MP3Decoding" keeps
// it when missing); `language` is the interface language whose preset names the preset list
// holds. The command-line field ends with the line of the last handler that ran, or as it was.
OptionSet restoreWithoutWindow(const IniDocument &doc, OptionSet current, Language language);

} // namespace fenwave
