#include "job/TemporaryOutput.h"

#include "settings/TemporaryName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fenwave {

namespace {

constexpr char kMarker[] = ".fenwave-";
// Random names already taken are tried again, a bounded number of times.
constexpr int kAttempts = 100;

int renameNoReplace(const char *from, const char *to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}

ExclusiveNaming g_naming = {renameNoReplace, ::link};

// A write lock on the whole file, held by the open file itself (not by the process): it goes
// when the file is closed, by this program or by its end, however it ends.
bool lockWhole(int handle)
{
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(handle, F_OFD_SETLK, &lock) == 0;
}

// A file system that keeps no owners or permissions (FAT) refuses to set them: the file then
// has what that file system gives every file.
bool keepsNone(int error)
{
    return error == ENOSYS || error == EOPNOTSUPP;
}

// The refusals of a call that a file system lacks: a rename that never replaces, a hard link.
bool renameNoReplaceMissing(int error)
{
    return error == EINVAL || error == ENOSYS;
}

bool linkMissing(int error)
{
    return error == EPERM || error == ENOSYS || error == EOPNOTSUPP;
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

ExclusiveNaming setExclusiveNaming(ExclusiveNaming calls)
{
    return std::exchange(g_naming, calls);
}

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
    QByteArray target = m_output;
    struct stat old = {};
    if (::lstat(m_output.constData(), &old) == 0) {
        // Through links to what they name, which must be a plain file: the rename would put
        // the file in the place of a link, a pipe or a folder itself.
        char *resolved = ::realpath(m_output.constData(), nullptr);
        if (resolved == nullptr)
            return errno == ENOENT || errno == ELOOP ? Placed::NotRegular : failed(errno);
        target = resolved;
        ::free(resolved);
        if (::stat(target.constData(), &old) != 0)
            return failed(errno);
        if (!S_ISREG(old.st_mode))
            return Placed::NotRegular;
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
            && ::fchown(m_handle, old.st_uid, old.st_gid) != 0 && !keepsNone(errno))
            return failed(errno);
        // FAT refuses a change of permissions (EPERM, or ENOSYS through FUSE).
        if ((made.st_mode & 07777) != (old.st_mode & 0777) && ::fchmod(m_handle, old.st_mode & 0777) != 0
            && !keepsNone(errno) && errno != EPERM)
            return failed(errno);
    } else if (errno != ENOENT) {
        return failed(errno);
    }
    // rename() replaces an existing output in one step; the output is never missing meanwhile.
    if (::rename(m_path.constData(), target.constData()) != 0)
        return failed(errno);
    return inPlace();
}

TemporaryOutput::Placed TemporaryOutput::placeNew(const QString &outputPath)
{
    if (m_path.isEmpty())
        return failed(ENOENT);
    const QByteArray target = QFile::encodeName(outputPath);
    if (g_naming.renameNoReplace(m_path.constData(), target.constData()) != 0) {
        if (errno == EEXIST)
            return Placed::NameTaken;
        if (!renameNoReplaceMissing(errno))
            return failed(errno);
        // A file system that cannot rename without replacing: a second name, then the
        // temporary one goes.
        if (g_naming.link(m_path.constData(), target.constData()) == 0) {
            ::unlink(m_path.constData());
        } else if (errno == EEXIST) {
            return Placed::NameTaken;
        } else if (!linkMissing(errno)) {
            return failed(errno);
        } else if (const Placed placed = renameIfFree(target); placed != Placed::Yes) {
            // Neither (FAT, network shares through FUSE): the rename follows the look at once.
            return placed;
        }
    }
    return inPlace();
}

void TemporaryOutput::discard()
{
    if (!m_path.isEmpty())
        ::unlink(m_path.constData());
    m_path.clear();
    release();
}

TemporaryOutput::Placed TemporaryOutput::renameIfFree(const QByteArray &target)
{
    struct stat there = {};
    if (::lstat(target.constData(), &there) == 0)
        return Placed::NameTaken;
    if (errno != ENOENT)
        return failed(errno);
    return ::rename(m_path.constData(), target.constData()) == 0 ? Placed::Yes : failed(errno);
}

// Dated through the file still open: the name may be another's by now. The access time is given
// as it is, as FAT through FUSE ignores a change of the modification time alone.
TemporaryOutput::Placed TemporaryOutput::inPlace()
{
    struct stat placed = {};
    if (m_dateInPlace && ::fstat(m_handle, &placed) == 0) {
        const struct timespec times[2]
            = {placed.st_atim, {time_t(m_dateInPlace->seconds), long(m_dateInPlace->nanoseconds)}};
        ::futimens(m_handle, times);
    }
    m_path.clear();
    release();
    return Placed::Yes;
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
