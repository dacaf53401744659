#include "settings/Preferences.h"

#include "settings/WholeFile.h"

#include <algorithm>
#include <climits>

namespace fenwave {

namespace {
const QString leftPosName = QStringLiteral("LeftPos");
const QString topPosName = QStringLiteral("TopPos");
const QString lamePathName = QStringLiteral("LamePath");
const QString languageName = QStringLiteral("Language");

// The longest path the system opens (PATH_MAX less its terminating zero), counted in the
// UTF-8 bytes that the system and the store both hold it in.
constexpr qsizetype kMaxPathBytes = 4095;

bool storablePath(const QString &path)
{
    return path.toUtf8().size() <= kMaxPathBytes;
}

int signedPosition(const UserStore &store, const QString &name)
{
    const std::optional<quint32> stored = store.dword(name);
    return stored ? qint32(*stored) : -1;
}
} // namespace

Preferences readPreferences(UserStore &store)
{
    Preferences prefs;
    prefs.left = signedPosition(store, leftPosName);
    prefs.top = signedPosition(store, topPosName);
    prefs.lamePath = store.string(lamePathName).value_or(QString());
    prefs.language = languageFromStored(store.dword(languageName).value_or(0));
    return prefs;
}

void writePreferences(UserStore &store, const Preferences &prefs)
{
    store.setDword(leftPosName, quint32(prefs.left));
    store.setDword(topPosName, quint32(prefs.top));
    // No program can be started by a longer path; written, it could grow the store past
    // what a start reads. The stored path stays as it was.
    if (storablePath(prefs.lamePath))
        store.setString(lamePathName, prefs.lamePath);
    store.setDword(languageName, storedLanguage(prefs.language));
}

Preferences loadPreferences(const QString &filePath)
{
    // What a run killed while writing the store left behind; one look at a small folder.
    removeLeftoverTemporaryFiles(filePath);
    UserStore store(filePath);
    if (!store.open())
        return {};
    const Preferences prefs = readPreferences(store);
    if (store.keyCreated())
        store.close(); // the key is created at start; a failure changes nothing here
    return prefs;
}

bool savePreferences(const Preferences &prefs, const QString &filePath)
{
    UserStore store(filePath);
    if (!store.open())
        return false;
    writePreferences(store, prefs);
    return store.close();
}

} // namespace fenwave
