#include "job/TemporaryOutput.h"

#include "settings/TemporaryName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fenwave {

namespace {

constexpr char kMarker[] = ".fenwave-";
// Random names already taken are tried again, a bounded number of times.
constexpr int kAttempts = 100;

// A write lock on the whole file, held by the open file itself (not by the process): it goes
// when the file is closed, by this program or by its end, however it ends.
bool lockWhole(int handle)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(handle, F_OFD_SETLK, &lock) == 0;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A name this class gives: the marker, then the random part, at its end.
bool hasTemporaryEnd(const QByteArray &name)
{
    const qsizetype marker = name.size() - kTemporaryRandomLength - qsizetype(sizeof kMarker - 1);
    if (marker < 1 || !name.startsWith('.') || name.mid(marker, sizeof kMarker - 1) != kMarker)
        return false;
    return isTemporaryRandomPart(QByteArrayView(name).sliced(name.size() - kTemporaryRandomLength));
}

// Removes a leftover unless a running batch holds it: only a plain file, only under the lock.
void removeUnheld(const QByteArray &path)
{
    const int handle = ::open(path.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0)
        return;
    struct stat opened = {};
    struct stat named = {};
    if (::fstat(handle, &opened) == 0 && S_ISREG(opened.st_mode) && lockWhole(handle)
        && ::lstat(path.constData(), &named) == 0 && sameFile(opened, named))
        ::unlink(path.constData());
    ::close(handle);
}

} // namespace

void LeftoverTemporaries::removeFor(const QByteArray &folder, const QByteArray &prefix)
{
    auto found = m_found.find(folder);
    if (found == m_found.end()) {
        std::vector<QByteArray> names;
        if (DIR *dir = ::opendir(folder.constData())) {
            while (const dirent *entry = ::readdir(dir)) {
                if (const QByteArray name(entry->d_name); hasTemporaryEnd(name))
                    names.push_back(name);
            }
            ::closedir(dir);
        }
        found = m_found.emplace(folder, std::move(names)).first;
    }
    for (const QByteArray &name : found->second) {
        if (name.size() == prefix.size() + kTemporaryRandomLength && name.startsWith(prefix))
            removeUnheld(folder + '/' + name);
    }
}

TemporaryOutput::TemporaryOutput(const QString &outputPath) : m_output(QFile::encodeName(outputPath)) {}

bool TemporaryOutput::create(LeftoverTemporaries *leftovers)
{
    discard();
    const QFileInfo output(QFile::decodeName(m_output));
    const QString folder = output.absolutePath();
    if (!QDir().mkpath(folder)) {
        m_error = errno != 0 ? errno : EACCES;
        return false;
    }
    const QByteArray folderName = QFile::encodeName(folder);
    const QByteArray prefix = temporaryNamePrefix(QFile::encodeName(output.fileName()), kMarker);
    LeftoverTemporaries own;
    (leftovers != nullptr ? leftovers : &own)->removeFor(folderName, prefix);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const QByteArray path = folderName + "/" + prefix + temporaryRandomPart();
        // Never an existing file, never through a link; 0666 less the umask, as any new output.
        const int handle = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (handle < 0 && errno == EEXIST)
            continue;
        if (handle < 0) {
            m_error = errno;
            return false;
        }
        // A file system without such locks is written unlocked; its leftovers then stay.
        if (!lockWhole(handle) && errno != EINVAL) {
            m_error = errno;
            ::close(handle);
            ::unlink(path.constData());
            return false;
        }
        // Another batch may have taken the file for a leftover between its making and the
        // lock; it is then gone from this name, and another name is tried.
        struct stat made = {};
        struct stat named = {};
        if (::fstat(handle, &made) != 0 || ::lstat(path.constData(), &named) != 0 || !sameFile(made, named)) {
            ::close(handle);
            continue;
        }
        m_handle = handle;
        m_path = path;
        m_error = 0;
        return true;
    }
    m_error = EEXIST;
    return false;
}

TemporaryOutput::Placed TemporaryOutput::replace()
{
    if (m_path.isEmpty())
        return failed(ENOENT);
    struct stat old = {};
    if (::stat(m_output.constData(), &old) == 0 && S_ISREG(old.st_mode)) {
        // Write permission taken away from everyone says: keep this file, whoever asks.
        if ((old.st_mode & 0222) == 0) {
            m_error = EACCES;
            return Placed::ReadOnly;
        }
        // The owner keeps the file the superuser writes for them. chown clears the set-ID
        // bits, which the new content does not get back either: the permissions follow it.
        struct stat made = {};
        if (::fstat(m_handle, &made) != 0)
            return failed(errno);
        if (::geteuid() == 0 && (made.st_uid != old.st_uid || made.st_gid != old.st_gid)
            && ::fchown(m_handle, old.st_uid, old.st_gid) != 0)
            return failed(errno);
        if (::fchmod(m_handle, old.st_mode & 0777) != 0)
            return failed(errno);
    }
    // rename() replaces an existing output in one step; the output is never missing meanwhile.
    if (::rename(m_path.constData(), m_output.constData()) != 0)
        return failed(errno);
    m_path.clear();
    release();
    return Placed::Yes;
}

TemporaryOutput::Placed TemporaryOutput::placeNew(const QString &outputPath)
{
    if (m_path.isEmpty())
        return failed(ENOENT);
    const QByteArray target = QFile::encodeName(outputPath);
    if (::renameat2(AT_FDCWD, m_path.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST)
            return Placed::NameTaken;
        // A file system that cannot rename without replacing: a second name, then the
        // temporary one goes. Where that is refused too, nothing is replaced.
        if (errno != EINVAL && errno != ENOSYS)
            return failed(errno);
        if (::link(m_path.constData(), target.constData()) != 0)
            return errno == EEXIST ? Placed::NameTaken : failed(errno);
        ::unlink(m_path.constData());
    }
    m_path.clear();
    release();
    return Placed::Yes;
}

void TemporaryOutput::discard()
{
    if (!m_path.isEmpty())
        ::unlink(m_path.constData());
    m_path.clear();
    release();
}

TemporaryOutput::Placed TemporaryOutput::failed(int error)
{
    m_error = error;
    return Placed::Failed;
}

void TemporaryOutput::release()
{
    if (m_handle >= 0)
        ::close(m_handle);
    m_handle = -1;
}

} // namespace fenwave
