#include "batch/FolderScan.h"

#include "batch/SoundKind.h"

#include <QFile>

#include <algorithm>
#include <vector>

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fenwave {

namespace {

// By rgrInputType index: MPEG Layer I, II, III, Ogg Vorbis, RAW PCM, WAV PCM; -1 (no type)
// gives the encoder no input switch, as WAV PCM does.
const QStringList &extensionsOf(int inputTypeIndex)
{
    static const QStringList mpeg{"mp1", "mp2", "mp3", "mpa"};
    static const QStringList vorbis{"ogg"};
    static const QStringList raw{"raw", "pcm"};
    // WAV PCM takes every kind with a route: these name the candidates, the content decides.
    static const QStringList wave{"wav", "wave", "aif", "aiff", "aifc", "w64", "rf64", "bwf", "flac", "ogg",
                                  "oga", "opus", "m4a", "m4b",  "mp4",  "mp1", "mp2",  "mp3", "mpa"};
    static const QStringList none;
    switch (inputTypeIndex) {
    case 0:
    case 1:
    case 2: return mpeg;
    case 3: return vorbis;
    case 4: return raw;
    case -1:
    case 5: return wave;
    default: return none;
    }
}

bool hasExtensionOf(const QString &fileName, const QStringList &extensions)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return false;
    const QStringView extension = QStringView(fileName).sliced(dot + 1);
    return std::any_of(extensions.begin(), extensions.end(), [extension](const QString &wanted) {
        return extension.compare(wanted, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

bool hasAudioExtension(const QString &fileName)
{
    for (int type = 0; type <= 5; ++type) {
        if (hasExtensionOf(fileName, extensionsOf(type)))
            return true;
    }
    return false;
}

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

qsizetype runEnd(QStringView text, qsizetype from)
{
    const bool digits = isDigit(text[from]);
    qsizetype end = from;
    while (end < text.size() && isDigit(text[end]) == digits)
        ++end;
    return end;
}

// Compares two runs of digits by value: without leading zeros, the longer is larger.
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == QLatin1Char('0'))
        a = a.sliced(1);
    while (b.size() > 1 && b.front() == QLatin1Char('0'))
        b = b.sliced(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

struct Entry {
    QByteArray name;
    QString shown;      // decoded; a byte that is not UTF-8 reads as U+FFFD
    unsigned char type; // as readdir() tells it: DT_REG, DT_DIR, DT_LNK, DT_UNKNOWN...
};

enum class EntryKind { Gone, File, Folder, LinkedFolder, Other };

// What stands under the name in the open folder. A regular file or a folder that readdir()
// names as such is one (neither is a link), and a FIFO, a device or a socket is none: asking the
// file system again would cost two calls per file of a large library. Links, and entries of
// file systems that do not tell, are looked at.
EntryKind entryKind(int folder, const QByteArray &name, unsigned char type)
{
    switch (type) {
    case DT_REG: return EntryKind::File;
    case DT_DIR: return EntryKind::Folder;
    case DT_FIFO:
    case DT_CHR:
    case DT_BLK:
    case DT_SOCK: return EntryKind::Other;
    default: break;
    }
    struct stat link {};
    struct stat target {};
    if (::fstatat(folder, name.constData(), &link, AT_SYMLINK_NOFOLLOW) != 0
        || ::fstatat(folder, name.constData(), &target, 0) != 0)
        // Gone meanwhile, or a dangling link; any other failure (a loop of links, no right to
        // look) is for the content check and the encoder to tell.
        return errno == ENOENT ? EntryKind::Gone : EntryKind::File;
    if (S_ISDIR(target.st_mode))
        return S_ISLNK(link.st_mode) ? EntryKind::LinkedFolder : EntryKind::Folder;
    return S_ISREG(target.st_mode) ? EntryKind::File : EntryKind::Other;
}

// What the content check finds in the file; none for a name that is not looked at: one whose
// text does not give back its bytes names another file (it is skipped later for its name).
std::optional<SoundFormat> checkContent(const QByteArray &path)
{
    const QString text = QFile::decodeName(path);
    if (QFile::encodeName(text) != path)
        return std::nullopt;
    return soundFormatOfFile(text);
}

// Whether a candidate's content is checked as it is listed (by the input type that takes every
// kind with a route), or its name alone lists it.
enum class Judge { ByName, ByContent };

// A listed file as the batch meets it: a FIFO or a device, a dangling link and a path too long
// to open are skipped unread.
ListedFile listedFile(const QByteArray &path, EntryKind kind, Judge judge)
{
    if (path.size() >= PATH_MAX)
        return {path, std::nullopt, SkipReason::PathTooLong};
    if (kind == EntryKind::Other)
        return {path, std::nullopt, SkipReason::NotRegularFile};
    if (kind == EntryKind::Gone)
        return {path, std::nullopt, SkipReason::InputDoesNotExist};
    return {path, judge == Judge::ByContent ? checkContent(path) : std::nullopt};
}

// The names in the folder open as `folder`, hidden ones left out, in natural order. readdir()
// hands over every name as the file system holds it: Qt's own listing leaves out names that are
// not valid UTF-8 without a word.
std::vector<Entry> entriesOf(int folder)
{
    std::vector<Entry> entries;
    // A reader of its own: closing it leaves `folder` open.
    const int reading = ::fcntl(folder, F_DUPFD_CLOEXEC, 0);
    DIR *dir = reading >= 0 ? ::fdopendir(reading) : nullptr;
    if (!dir) {
        if (reading >= 0)
            ::close(reading);
        return entries;
    }
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        // Hidden files and folders, "." and ".." among them, are left out.
        if (!name.startsWith('.'))
            entries.push_back({name, QFile::decodeName(name), entry->d_type});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        if (a.shown == b.shown)
            return a.name < b.name; // two undecodable names that read alike
        return naturalNameLess(a.shown, b.shown);
    });
    return entries;
}

// Lists the folder `name` in the folder open as `parent`, `path` being its whole path. Each
// folder is opened from the one it is in, so that a tree deeper than a path can name is walked
// all the same, and a subfolder replaced by a link meanwhile is not followed.
void collect(int parent, const QByteArray &name, const QByteArray &path, const QStringList &extensions, Judge judge,
             QList<ListedFile> &found)
{
    const int subfolderFlags = parent == AT_FDCWD ? 0 : O_NOFOLLOW;
    const int folder = ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | subfolderFlags);
    if (folder < 0)
        return;
    const QByteArray prefix = path.endsWith('/') ? path : path + '/';
    for (const Entry &entry : entriesOf(folder)) {
        const EntryKind kind = entryKind(folder, entry.name, entry.type);
        if (kind == EntryKind::Folder)
            collect(folder, entry.name, prefix + entry.name, extensions, judge, found);
        else if (kind != EntryKind::LinkedFolder && hasExtensionOf(entry.shown, extensions))
            found += listedFile(prefix + entry.name, kind, judge);
    }
    ::close(folder);
}

} // namespace

QList<ListedFile> listCheckedAudioFiles(const QByteArray &folder, int inputTypeIndex)
{
    QList<ListedFile> found;
    const QStringList &extensions = extensionsOf(inputTypeIndex);
    const bool asWave = inputTypeIndex == -1 || inputTypeIndex == kWavPcmInputType;
    if (!extensions.isEmpty() && !folder.isEmpty())
        collect(AT_FDCWD, folder, folder, extensions, asWave ? Judge::ByContent : Judge::ByName, found);
    return found;
}

QList<QByteArray> listAudioFileNames(const QByteArray &folder, int inputTypeIndex)
{
    QList<QByteArray> names;
    for (ListedFile &file : listCheckedAudioFiles(folder, inputTypeIndex)) {
        if (file.skip == SkipReason::None && (!file.format || soundRoute(file.format->kind) != SoundRoute::None))
            names += std::move(file.path);
    }
    return names;
}

QStringList listAudioFiles(const QString &folder, int inputTypeIndex)
{
    QStringList found;
    for (const QByteArray &path : listAudioFileNames(QFile::encodeName(folder), inputTypeIndex))
        found += QFile::decodeName(path);
    return found;
}

bool naturalNameLess(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const qsizetype endA = runEnd(a, i);
        const qsizetype endB = runEnd(b, j);
        const QStringView runA = a.sliced(i, endA - i);
        const QStringView runB = b.sliced(j, endB - j);
        const int order = isDigit(runA.front()) && isDigit(runB.front()) ? compareNumbers(runA, runB)
                                                                         : runA.compare(runB, Qt::CaseInsensitive);
        if (order != 0)
            return order < 0;
        i = endA;
        j = endB;
    }
    if ((i < a.size()) != (j < b.size()))
        return j < b.size();
    return a.compare(b) < 0;
}

QString pathInFolder(const QString &folder, const QString &name)
{
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace fenwave
