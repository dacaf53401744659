#include "options/OutputsInWriting.h"

#include "options/SameFile.h"

#include <QDir>

#include <algorithm>
#include <utility>

namespace fenwave {

namespace {

QString absoluteIn(const QString &path, const QString &folder)
{
    return QDir(folder).absoluteFilePath(path);
}

// Two outputs are one file under any spelling; a run writing through a dangling link writes
// its target.
bool sameOutput(const QString &a, const QString &b)
{
    return sameFileKey(a) == sameFileKey(b);
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
