// Real storage limits for tests of file writes: a file-size limit in a child
// process, and a small file system with no space left.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <functional>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing {

enum class ChildResult { ReturnedTrue, ReturnedFalse, Died };

// Runs `write` in a child process whose files cannot grow beyond `limitBytes`
// (RLIMIT_FSIZE, with SIGXFSZ ignored so that the write fails with EFBIG instead
// of killing the process), and says what it returned.
inline ChildResult runUnderFileSizeLimit(rlim_t limitBytes, const std::function<bool()> &write)
{
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{limitBytes, limitBytes};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(3);
        ::_exit(write() ? 1 : 0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return ChildResult::Died;
    switch (WEXITSTATUS(status)) {
    case 0: return ChildResult::ReturnedFalse;
    case 1: return ChildResult::ReturnedTrue;
    default: return ChildResult::Died;
    }
}

// A tmpfs of a few pages, mounted in a temporary folder while the object lives.
// Needs root; isMounted() is false where mounting is refused.
class SmallFileSystem
{
public:
    explicit SmallFileSystem(const char *size = "64k")
    {
        if (::geteuid() != 0 || !m_dir.isValid())
            return;
        const QByteArray options = QByteArray("size=") + size;
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem &) = delete;
    SmallFileSystem &operator=(const SmallFileSystem &) = delete;

    bool isMounted() const { return m_mounted; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Takes every free block, so that the next write of any size fails.
    bool fill() const
    {
        QFile filler(m_dir.filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {}
        return filler.error() == QFileDevice::ResourceError; // stopped by "no space"
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

} // namespace testing
