#pragma once

#include <QString>

namespace fenwave {

// The user's configuration folder by the XDG base-directory rules: $XDG_CONFIG_HOME when it
// is an absolute path (a relative one is ignored), else ".config" in the home folder, which
// is $HOME or, without it, the home folder of the user's account. Empty when there is no
// home folder at all. In Qt's test mode, the test folder that QStandardPaths gives.
QString userConfigFolder();

} // namespace fenwave
