#include "settings/IniDocument.h"

#include "settings/TextDecoding.h"
#include "settings/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QHashSeed>

#include <algorithm>
#include <limits>

namespace fenwave {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

QByteArrayView trimBlanks(QByteArrayView bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.sliced(begin, end - begin);
}

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin);
}

// The name as names are compared: blanks trimmed, decoded, case-folded. Written into `out`,
// so that the many plain ASCII names of a big file take no allocation of their own.
void foldName(QByteArrayView rawName, QString &out)
{
    const QByteArrayView name = trimBlanks(rawName);
    const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii) {
        out = decodeUtf8OrWindows1251(name).toCaseFolded();
        return;
    }
    out.resize(name.size());
    QChar *folded = out.data();
    for (const char c : name)
        *folded++ = QLatin1Char(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
}

QString foldName(QStringView name)
{
    return trimBlanks(name).toString().toCaseFolded();
}

struct Line {
    qsizetype contentEnd; // where the line break starts
    qsizetype next;       // start of the next line
};

Line lineAt(QByteArrayView source, qsizetype pos)
{
    qsizetype contentEnd = pos;
    while (contentEnd < source.size() && !isLineBreak(source[contentEnd]))
        ++contentEnd;
    qsizetype next = contentEnd;
    if (next < source.size())
        next += (source[next] == '\r' && next + 1 < source.size() && source[next + 1] == '\n') ? 2 : 1;
    return {contentEnd, next};
}

// The line without its line break.
QByteArrayView lineContent(QByteArrayView line)
{
    qsizetype end = line.size();
    while (end > 0 && isLineBreak(line[end - 1]))
        --end;
    return line.first(end);
}

qsizetype firstNonBlank(QByteArrayView content)
{
    qsizetype first = 0;
    while (first < content.size() && isBlank(content[first]))
        ++first;
    return first;
}

// The raw (untrimmed) name of a header line "[name]".
std::optional<QByteArrayView> headerName(QByteArrayView content)
{
    const qsizetype first = firstNonBlank(content);
    if (first == content.size() || content[first] != '[')
        return std::nullopt;
    const qsizetype close = content.indexOf(']', first + 1);
    if (close < 0)
        return std::nullopt;
    return content.sliced(first + 1, close - first - 1);
}

// The raw (untrimmed) key name of a key line "name=value".
std::optional<QByteArrayView> keyName(QByteArrayView content)
{
    const qsizetype first = firstNonBlank(content);
    if (first == content.size() || content[first] == ';' || content[first] == '[')
        return std::nullopt;
    const qsizetype equals = content.indexOf('=', first);
    if (equals <= first) // no "=", or no name before it
        return std::nullopt;
    return content.first(equals);
}

// Orders name entries by hash alone; a stable sort keeps the file order among equal hashes.
template <class Entry> bool byHash(const Entry &a, const Entry &b)
{
    return a.hash < b.hash;
}

// A value is written on one line: line breaks in it become blanks, so that it
// can neither end its line early nor add a line (a key) of its own.
QByteArray encodeValue(const QString &value)
{
    QString oneLine = value;
    for (QChar &c : oneLine) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    return oneLine.toUtf8();
}

bool hasWritePermission(const QFileInfo &info)
{
    // isWritable() (and WriteUser) say yes to root even for a read-only file; the mode bits
    // are what makes a file read-only for every user.
    constexpr QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return info.isWritable() && (info.permissions() & anyWrite);
}

} // namespace

IniDocument::IniDocument() : m_seed(size_t(QHashSeed::globalSeed())) {}

IniDocument IniDocument::fromBytes(const QByteArray &bytes)
{
    IniDocument document;
    document.m_source = bytes;
    document.parse();
    return document;
}

IniDocument IniDocument::load(const QString &path, bool *ok)
{
    const std::optional<QByteArray> bytes = readFileCapped(path, kMaxFileSize);
    if (ok)
        *ok = bytes.has_value();
    return bytes ? fromBytes(*bytes) : IniDocument();
}

size_t IniDocument::hashName(QStringView folded) const
{
    return qHash(folded, m_seed);
}

void IniDocument::parse()
{
    const QByteArrayView source(m_source);
    qsizetype pos = 0;
    if (source.startsWith(QByteArrayView(kUtf8Bom))) {
        m_hasBom = true;
        pos = 3;
    }
    bool lineBreakKnown = false;
    while (pos < source.size()) {
        const Line line = lineAt(source, pos);
        if (!lineBreakKnown && line.next > line.contentEnd) {
            m_lineBreak = source.sliced(line.contentEnd, line.next - line.contentEnd).toByteArray();
            lineBreakKnown = true;
        }
        if (headerName(source.sliced(pos, line.contentEnd - pos)))
            m_headers.push_back(pos);
        pos = line.next;
    }
    // A header line takes three bytes at the least: the size of any file that fits in memory
    // bounds the count.
    Q_ASSERT(m_headers.size() <= std::numeric_limits<quint32>::max());
    m_sectionNames.reserve(m_headers.size());
    QString folded;
    for (qsizetype section = 0; section < sectionCount(); ++section) {
        foldName(*headerName(headerContent(section)), folded);
        m_sectionNames.push_back({quint32(hashName(folded)), quint32(section)});
    }
    std::stable_sort(m_sectionNames.begin(), m_sectionNames.end(), byHash<SectionName>);
}

QByteArrayView IniDocument::headerContent(qsizetype section) const
{
    const qsizetype start = m_headers[size_t(section)];
    return QByteArrayView(m_source).sliced(start, lineAt(m_source, start).contentEnd - start);
}

qsizetype IniDocument::sectionEnd(qsizetype section) const
{
    return section + 1 < sectionCount() ? m_headers[size_t(section + 1)] : m_source.size();
}

// The first section of that name: of the file's own, then of those added by writes.
qsizetype IniDocument::findSection(const QString &folded) const
{
    const SectionName wanted{quint32(hashName(folded)), 0};
    const auto [first, last]
        = std::equal_range(m_sectionNames.begin(), m_sectionNames.end(), wanted, byHash<SectionName>);
    QString candidate;
    for (auto it = first; it != last; ++it) {
        foldName(*headerName(headerContent(it->section)), candidate);
        if (candidate == folded)
            return it->section;
    }
    const auto added = m_addedSectionIndex.constFind(folded);
    return added == m_addedSectionIndex.cend() ? -1 : sectionCount() + *added;
}

const IniDocument::KeyIndex &IniDocument::keyIndex(qsizetype section) const
{
    if (m_keyIndex.section == section)
        return m_keyIndex;
    const QByteArrayView source(m_source);
    KeyIndex index;
    index.section = section;
    qsizetype pos = lineAt(source, m_headers[size_t(section)]).next;
    index.insertAt = pos;
    const qsizetype end = sectionEnd(section);
    QString folded;
    while (pos < end) {
        const Line line = lineAt(source, pos);
        if (const auto name = keyName(source.sliced(pos, line.contentEnd - pos))) {
            foldName(*name, folded);
            index.keys.push_back({hashName(folded), pos});
            index.insertAt = line.next; // new keys go after the last key line, repeated or not
        }
        pos = line.next;
    }
    std::stable_sort(index.keys.begin(), index.keys.end(), byHash<KeyName>);
    m_keyIndex = std::move(index);
    return m_keyIndex;
}

// The start of the first key line of that name in a section of the file, or -1.
qsizetype IniDocument::findKeyLine(qsizetype section, const QString &folded) const
{
    const std::vector<KeyName> &keys = keyIndex(section).keys;
    const KeyName wanted{hashName(folded), 0};
    const auto [first, last] = std::equal_range(keys.begin(), keys.end(), wanted, byHash<KeyName>);
    const QByteArrayView source(m_source);
    QString candidate;
    for (auto it = first; it != last; ++it) {
        foldName(*keyName(source.sliced(it->at, lineAt(source, it->at).contentEnd - it->at)), candidate);
        if (candidate == folded)
            return it->at;
    }
    return -1;
}

// The current line of a key, line break included: as written, or as in the file.
std::optional<QByteArrayView> IniDocument::keyLine(qsizetype section, const QString &folded) const
{
    const auto edited = m_editIndex.find({section, folded});
    if (edited != m_editIndex.end())
        return QByteArrayView(m_edits[edited->second].bytes);
    if (section >= sectionCount())
        return std::nullopt;
    const qsizetype at = findKeyLine(section, folded);
    if (at < 0)
        return std::nullopt;
    return QByteArrayView(m_source).sliced(at, lineAt(m_source, at).next - at);
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const
{
    if (!isValidSectionName(section) || !isValidKeyName(key))
        return std::nullopt;
    const qsizetype found = findSection(foldName(section));
    if (found < 0)
        return std::nullopt;
    const std::optional<QByteArrayView> line = keyLine(found, foldName(key));
    if (!line)
        return std::nullopt;
    const QByteArrayView content = lineContent(*line);
    return decodeUtf8OrWindows1251(content.sliced(content.indexOf('=') + 1));
}

QString IniDocument::value(QStringView section, QStringView key, const QString &defaultValue) const
{
    return value(section, key).value_or(defaultValue);
}

bool IniDocument::hasSection(QStringView section) const
{
    return isValidSectionName(section) && findSection(foldName(section)) >= 0;
}

void IniDocument::setValue(QStringView section, QStringView key, const QString &value)
{
    if (!isValidSectionName(section) || !isValidKeyName(key))
        return;
    const QString foldedSection = foldName(section);
    qsizetype target = findSection(foldedSection);
    if (target < 0) {
        target = sectionCount() + qsizetype(m_addedSections.size());
        m_addedSections.push_back({'[' + trimBlanks(section).toUtf8() + ']' + m_lineBreak, {}});
        m_addedSectionIndex.insert(foldedSection, target - sectionCount());
    }
    const QString foldedKey = foldName(key);
    const QByteArray encoded = encodeValue(value);

    if (const std::optional<QByteArrayView> line = keyLine(target, foldedKey)) {
        // Keep the key as spelled in the file and the line's own line break.
        const QByteArrayView content = lineContent(*line);
        QByteArray replaced = content.first(content.indexOf('=') + 1).toByteArray();
        replaced += encoded;
        replaced += line->sliced(content.size());
        const auto edited = m_editIndex.find({target, foldedKey});
        if (edited != m_editIndex.end()) {
            m_edits[edited->second].bytes = std::move(replaced);
        } else {
            const qsizetype at = line->data() - m_source.constData();
            m_editIndex.insert({{target, foldedKey}, m_edits.size()});
            m_edits.push_back({at, line->size(), std::move(replaced)});
        }
        return;
    }
    QByteArray added = trimBlanks(key).toUtf8() + '=' + encoded + m_lineBreak;
    m_editIndex.insert({{target, foldedKey}, m_edits.size()});
    if (target < sectionCount()) {
        m_edits.push_back({keyIndex(target).insertAt, 0, std::move(added)});
    } else {
        m_addedSections[size_t(target - sectionCount())].lines.push_back(m_edits.size());
        m_edits.push_back({-1, 0, std::move(added)});
    }
}

QByteArray IniDocument::toBytes() const
{
    QByteArray out;
    out.reserve(m_source.size() + 256);
    if (m_hasBom)
        out += kUtf8Bom;
    bool openLine = false; // the last piece written did not end its line
    auto append = [&](QByteArrayView bytes) {
        if (bytes.isEmpty())
            return;
        if (openLine)
            out += m_lineBreak;
        // An added line ending in a lone CR (a file with CR line breaks) must not pair up with
        // an LF that starts the next line.
        if (out.endsWith('\r') && bytes.front() == '\n')
            out += '\n';
        out += bytes;
        openLine = !isLineBreak(bytes.back());
    };

    // Edits within the file in file order; lines added at one place in the order they came.
    std::vector<size_t> inFile;
    for (size_t i = 0; i < m_edits.size(); ++i) {
        if (m_edits[i].at >= 0)
            inFile.push_back(i);
    }
    std::stable_sort(inFile.begin(), inFile.end(),
                     [this](size_t a, size_t b) { return m_edits[a].at < m_edits[b].at; });
    const QByteArrayView source(m_source);
    qsizetype copied = m_hasBom ? 3 : 0;
    for (const size_t i : inFile) {
        const EditedLine &edit = m_edits[i];
        append(source.sliced(copied, edit.at - copied));
        append(edit.bytes);
        copied = edit.at + edit.replaced;
    }
    append(source.sliced(copied));
    for (const AddedSection &section : m_addedSections) {
        append(section.header);
        for (const size_t line : section.lines)
            append(m_edits[line].bytes);
    }
    return out;
}

bool IniDocument::save(const QString &path) const
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || !hasWritePermission(info)))
        return false;
    return writeFileAtomically(path, toBytes());
}

bool IniDocument::isValidSectionName(QStringView name)
{
    const QStringView trimmed = trimBlanks(name);
    return !trimmed.isEmpty() && !trimmed.contains(u'\r') && !trimmed.contains(u'\n') && !trimmed.contains(u']');
}

bool IniDocument::isValidKeyName(QStringView name)
{
    const QStringView trimmed = trimBlanks(name);
    return !trimmed.isEmpty() && !trimmed.contains(u'\r') && !trimmed.contains(u'\n') && !trimmed.contains(u'=')
           && !trimmed.startsWith(u';') && !trimmed.startsWith(u'[');
}

} // namespace fenwave
