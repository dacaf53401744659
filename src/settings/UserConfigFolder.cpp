#include "settings/UserConfigFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace fenwave {

namespace {

// The home folder that the account database gives the user running the program.
QString accountHomeFolder()
{
    long bufferSize = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(bufferSize > 0 ? size_t(bufferSize) : 16384);
    passwd entry{};
    passwd *found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir)
        return QString();
    return QFile::decodeName(found->pw_dir);
}

// Qt falls back to the root folder without $HOME, which would put the store in "/.config".
QString homeFolder()
{
    const QString home = QFile::decodeName(qgetenv("HOME"));
    return home.isEmpty() ? accountHomeFolder() : home;
}

} // namespace

QString userConfigFolder()
{
    if (QStandardPaths::isTestModeEnabled())
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString configHome = QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
    if (QDir::isAbsolutePath(configHome))
        return configHome;
    const QString home = homeFolder();
    return home.isEmpty() ? QString() : home + QStringLiteral("/.config");
}

} // namespace fenwave
