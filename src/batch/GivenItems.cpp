#include "batch/GivenItems.h"

#include "batch/FolderScan.h"

#include <QFileInfo>

namespace fenwave {

GivenItems sortGivenItems(const QStringList &paths)
{
    GivenItems items;
    for (const QString &path : paths) {
        // A name the file system mangled stands for another file, whatever its extension.
        const QFileInfo info(path);
        const bool audio = isFaithfulFileName(path) && hasAudioExtension(info.fileName()) && !info.isDir();
        const GivenFileKind kind = audio ? GivenFileKind::Input : classifyGivenFile(path);
        switch (kind) {
        case GivenFileKind::Settings:
            if (items.settings.isEmpty())
                items.settings = path;
            else
                items.ignoredSettings << path;
            break;
        case GivenFileKind::Input:
        case GivenFileKind::Folder: items.inputs << path; break;
        case GivenFileKind::TooLargeSettings:
        case GivenFileKind::NotUtf8Name: items.refused.append({path, kind}); break;
        }
    }
    return items;
}

} // namespace fenwave
