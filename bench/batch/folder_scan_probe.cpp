// A folder scan as a batch makes it, step by step: the files listed by their extension (WAV PCM
// input type), then each file's content checked by its first bytes. For each step the wall and
// CPU time; for the content check also what it read from the disk (bytes and read calls, from
// /proc/self/io), per file.
// Usage:
//   folder_scan_probe FOLDER [--cold]
// --cold first writes each listed file's pages to the disk and drops them from the page cache
// (posix_fadvise), so that the content check reads from the disk; the folders' entries and the
// files' inodes stay cached. Nothing else on the machine is evicted.
#include "batch/FolderScan.h"
#include "batch/SoundKind.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

using namespace fenwave;

namespace {

double cpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// One counter of /proc/self/io ("rchar", "syscr"), or -1.
long long ioCounter(const QByteArray &name)
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).trimmed().toLongLong();
    return -1;
}

// The time a step took, reported on one line.
class Step
{
public:
    Step() : m_cpu(cpuSeconds()) { m_wall.start(); }
    void report(const char *what, qsizetype files) const
    {
        const double wall = double(m_wall.nsecsElapsed()) / 1e6;
        const double cpu = (cpuSeconds() - m_cpu) * 1e3;
        std::printf("%-34s %9.1f ms wall %9.1f ms CPU  %7.2f us wall per file\n", what, wall, cpu,
                    files > 0 ? wall * 1e3 / double(files) : 0.0);
    }

private:
    QElapsedTimer m_wall;
    double m_cpu;
};

void dropFromCache(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2 || arguments.size() > 3 || (arguments.size() == 3 && arguments.at(2) != "--cold")) {
        std::fprintf(stderr, "usage: folder_scan_probe FOLDER [--cold]\n");
        return 2;
    }
    const QString folder = arguments.at(1);
    const bool cold = arguments.size() == 3;
    constexpr int kWavPcm = 5; // rgrInputType index of WAV PCM, the start value

    Step listing;
    const QStringList files = listAudioFiles(folder, kWavPcm);
    listing.report("listed by extension", files.size());

    if (cold)
        for (const QString &file : files)
            dropFromCache(file);

    const long long bytesBefore = ioCounter("rchar");
    const long long callsBefore = ioCounter("syscr");
    QMap<QString, int> kinds;
    Step checking;
    for (const QString &file : files)
        ++kinds[soundKindText(soundKindOfFile(file), Language::English)];
    checking.report(cold ? "content check (file data not cached)" : "content check", files.size());
    const long long bytes = ioCounter("rchar") - bytesBefore;
    const long long calls = ioCounter("syscr") - callsBefore;

    std::printf("%lld files listed in %s\n", static_cast<long long>(files.size()), qPrintable(folder));
    if (!files.isEmpty())
        std::printf("content check read %.0f bytes in %.1f read calls per file\n", double(bytes) / double(files.size()),
                    double(calls) / double(files.size()));
    for (auto kind = kinds.cbegin(); kind != kinds.cend(); ++kind)
        std::printf("  %6d %s\n", kind.value(), qPrintable(kind.key()));
    return 0;
}
