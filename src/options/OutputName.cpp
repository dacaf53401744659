#include "options/OutputName.h"

#include <algorithm>

namespace fenwave {

namespace {

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
    return proposeOutputName(inputPath, u".mp3");
}

QString proposeOutputName(const QString &inputPath, QStringView extension)
{
    const qsizetype nameStart = fileNameStart(inputPath);
    const QStringView fileName = QStringView(inputPath).mid(nameStart);
    if (namesNoFile(fileName))
        return QString();

    const qsizetype dot = fileName.lastIndexOf(u'.');
    // A dot at position 0 marks a hidden file, not an extension.
    const qsizetype keep = dot > 0 ? nameStart + dot : inputPath.size();
    QString output = inputPath.left(keep);
    output += extension;
    return output;
}

} // namespace fenwave
