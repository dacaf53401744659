#include "batch/GatherInputs.h"

#include "batch/FolderScan.h"
#include "options/SameFile.h"
#include "settings/SettingsFileSniff.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringDecoder>

#include <cerrno>
#include <sys/stat.h>

namespace fenwave {

namespace {

// A name given, and whether its bytes are the ones the user meant.
struct GivenName {
    QByteArray bytes;
    bool faithful = true;
};

// The name made absolute against the current folder, with "." parts and doubled slashes
// removed. ".." stays: behind a symbolic link it leads elsewhere than the text suggests.
QByteArray absoluteName(const QByteArray &name)
{
    const QByteArray full = name.startsWith('/') ? name : QFile::encodeName(QDir::currentPath()) + '/' + name;
    QByteArray cleaned;
    for (const QByteArray &part : full.split('/')) {
        if (!part.isEmpty() && part != ".")
            cleaned += '/' + part;
    }
    return cleaned.isEmpty() ? QByteArray("/") : cleaned;
}

// A key equal for every name of one file; a name whose text does not hold the bytes given is
// never looked at, as it might name another file.
QString identityOf(const QString &absolutePath)
{
    return isFaithfulFileName(absolutePath) ? sameFileKey(absolutePath) : QStringLiteral("name:") + absolutePath;
}

// Why a name that cannot be looked at is skipped; none where the encoder is left to say why.
SkipReason statFailure(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: return SkipReason::InputDoesNotExist;
    case ENAMETOOLONG: return SkipReason::PathTooLong;
    default: return SkipReason::None;
    }
}

class Gatherer
{
public:
    Gatherer(int inputTypeIndex, const std::vector<BatchInput> &listed) : m_inputType(inputTypeIndex)
    {
        for (const BatchInput &input : listed)
            m_seen.insert(identityOf(input.path));
    }

    void take(const GivenName &name)
    {
        if (name.bytes.isEmpty()) {
            add({{QString(), QString()}, QByteArray()}); // names no file: the plan says so
            return;
        }
        const QByteArray absolute = absoluteName(name.bytes);
        const QString path = QFile::decodeName(absolute);
        if (!name.faithful || !isValidUtf8(name.bytes)) {
            add({{path, QString(), SkipReason::NameNotUtf8}, name.bytes});
            return;
        }
        struct stat info {};
        if (::stat(absolute.constData(), &info) != 0) {
            add({{path, QString(), statFailure(errno)}, name.bytes});
            return;
        }
        if (!S_ISDIR(info.st_mode)) {
            // A FIFO or a device (a link to one included) is never opened: it could block or never end.
            const SkipReason skip = S_ISREG(info.st_mode) ? SkipReason::None : SkipReason::NotRegularFile;
            add({{path, QString(), skip}, name.bytes});
            return;
        }
        const QList<ListedFile> found = listCheckedAudioFiles(absolute, m_inputType);
        if (found.isEmpty())
            m_result.emptyFolders += name.bytes;
        const QByteArray givenFolder = name.bytes.endsWith('/') ? name.bytes : name.bytes + '/';
        for (const ListedFile &file : found) {
            const QByteArray below = file.path.mid(absolute.size() + (absolute.endsWith('/') ? 0 : 1));
            const SkipReason skip = isValidUtf8(below) ? file.skip : SkipReason::NameNotUtf8;
            add({{QFile::decodeName(file.path), path, skip, file.format}, givenFolder + below});
        }
    }

    GatheredInputs result() { return std::move(m_result); }

private:
    void add(GatheredInput input)
    {
        // A name that could not be read stands for itself: it is never looked at.
        const QString identity = input.input.skip == SkipReason::NameNotUtf8
                                     ? QStringLiteral("bytes:") + QString::fromLatin1(input.given.toHex())
                                     : identityOf(input.input.path);
        if (!input.input.path.isEmpty() && m_seen.contains(identity))
            return;
        m_seen.insert(identity);
        m_result.inputs.push_back(std::move(input));
    }

    const int m_inputType;
    QSet<QString> m_seen;
    GatheredInputs m_result;
};

} // namespace

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    Q_UNUSED(decoded);
    return !decoder.hasError();
}

GatheredInputs gatherInputs(const QList<QByteArray> &names, int inputTypeIndex, const std::vector<BatchInput> &listed)
{
    Gatherer gatherer(inputTypeIndex, listed);
    for (const QByteArray &name : names)
        gatherer.take({name, true});
    return gatherer.result();
}

GatheredInputs gatherInputs(const QStringList &names, int inputTypeIndex, const std::vector<BatchInput> &listed)
{
    Gatherer gatherer(inputTypeIndex, listed);
    for (const QString &name : names)
        gatherer.take({QFile::encodeName(name), isFaithfulFileName(name)});
    return gatherer.result();
}

} // namespace fenwave
