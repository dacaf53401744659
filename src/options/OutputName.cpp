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

std::optional<NumberedStem> numberedStem(QStringView stem)
{
    const qsizetype open = stem.lastIndexOf(QLatin1String(" ("));
    if (open < 0 || !stem.endsWith(u')'))
        return std::nullopt;
    const QStringView digits = stem.sliced(open + 2, stem.size() - open - 3);
    const bool number = !digits.isEmpty() && digits.size() <= 6 && digits.front() != u'0'
                        && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!number || digits == QLatin1String("1"))
        return std::nullopt;
    return NumberedStem{stem.left(open).toString(), digits.toInt()};
}

} // namespace fenwave
