#include "options/OutputName.h"

#include <algorithm>

namespace fenwave {

namespace {

const QString kOutputExtension = QStringLiteral(".mp3");

qsizetype fileNameStart(const QString &path)
{
    const qsizetype lastSeparator = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return lastSeparator + 1;
}

bool namesNoFile(QStringView fileName)
{
    return fileName.isEmpty() || fileName == u"." || fileName == u"..";
}

} // namespace

QString proposeOutputName(const QString &inputPath)
{
    const qsizetype nameStart = fileNameStart(inputPath);
    const QStringView fileName = QStringView(inputPath).mid(nameStart);
    if (namesNoFile(fileName))
        return QString();

    const qsizetype dot = fileName.lastIndexOf(u'.');
    // A dot at position 0 marks a hidden file, not an extension.
    const qsizetype keep = dot > 0 ? nameStart + dot : inputPath.size();
    return inputPath.left(keep) + kOutputExtension;
}

} // namespace fenwave
