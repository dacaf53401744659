#pragma once

#include "settings/SettingsFileSniff.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace fenwave {

// Several names given at once (a drop, the command line, "Open with"), sorted by what each
// stands for. A name with an audio extension is an input without a look inside; any other
// file holding the settings section is a settings file.
struct GivenItems {
    struct Refusal {
        QString path;
        GivenFileKind kind; // NotUtf8Name or TooLargeSettings
    };
    QString settings;            // the first settings file, restored before anything else
    QStringList ignoredSettings; // the other settings files
    QStringList inputs;          // files and folders to encode, in the order given
    QList<Refusal> refused;
};

// `paths` are absolute.
GivenItems sortGivenItems(const QStringList &paths);

} // namespace fenwave
