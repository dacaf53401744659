#include "options/OutputsInWriting.h"

#include "options/SameFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace fenwave {

namespace {

QString absoluteIn(const QString &path, const QString &folder)
{
    return QDir(folder).absoluteFilePath(path);
}

// Links followed no deeper than this (the system gives up at 40).
constexpr int kDeepestLink = 40;

// The path a file that need not exist yet is known by: absolute, without "." and "..", a
// dangling link followed to where writing through it would create the file, and the folder
// through its links where the folder exists.
QString comparablePath(const QString &absolutePath)
{
    QString path = absolutePath;
    for (int depth = 0; depth < kDeepestLink && QFileInfo(path).isSymLink(); ++depth)
        path = QFileInfo(path).symLinkTarget();
    const QFileInfo file(QDir::cleanPath(path));
    const QString folder = QFileInfo(file.path()).canonicalFilePath();
    return folder.isEmpty() ? file.filePath() : QDir(folder).filePath(file.fileName());
}

bool sameOutput(const QString &a, const QString &b)
{
    return namesSameExistingFile(a, b) || comparablePath(a) == comparablePath(b);
}

} // namespace

OutputsInWriting::Claim::Claim(Claim &&other) noexcept
    : m_owner(std::exchange(other.m_owner, nullptr)), m_id(std::exchange(other.m_id, 0))
{
}

OutputsInWriting::Claim &OutputsInWriting::Claim::operator=(Claim &&other) noexcept
{
    if (this != &other) {
        release();
        m_owner = std::exchange(other.m_owner, nullptr);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

void OutputsInWriting::Claim::release()
{
    if (OutputsInWriting *owner = std::exchange(m_owner, nullptr))
        owner->release(m_id);
}

OutputsInWriting &OutputsInWriting::shared()
{
    static OutputsInWriting outputs;
    return outputs;
}

bool OutputsInWriting::isBeingWritten(const QString &path, const QString &folder) const
{
    if (path.isEmpty())
        return false;
    const QString absolute = absoluteIn(path, folder);
    const QMutexLocker lock(&m_mutex);
    return std::any_of(m_entries.begin(), m_entries.end(),
                       [&](const Entry &entry) { return sameOutput(absolute, entry.path); });
}

OutputsInWriting::Claim OutputsInWriting::claim(const QString &path, const QString &folder)
{
    if (path.isEmpty())
        return Claim();
    const QMutexLocker lock(&m_mutex);
    const quint64 id = m_nextId++;
    m_entries.push_back({id, absoluteIn(path, folder)});
    return Claim(this, id);
}

void OutputsInWriting::release(quint64 id)
{
    const QMutexLocker lock(&m_mutex);
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [id](const Entry &e) { return e.id == id; }),
                    m_entries.end());
}

} // namespace fenwave
