#include "settings/IniDocument.h"

#include "settings/TextDecoding.h"
#include "settings/WholeFile.h"

#include <QFile>
#include <QFileInfo>

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

QString foldName(QByteArrayView rawName)
{
    return decodeUtf8OrWindows1251(trimBlanks(rawName)).toCaseFolded();
}

// The line without its line break.
QByteArrayView lineContent(QByteArrayView line)
{
    qsizetype end = line.size();
    while (end > 0 && isLineBreak(line[end - 1]))
        --end;
    return line.first(end);
}

enum class LineKind { Other, Header, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    QByteArrayView name; // raw, untrimmed
};

ParsedLine classifyLine(QByteArrayView content)
{
    qsizetype first = 0;
    while (first < content.size() && isBlank(content[first]))
        ++first;
    if (first == content.size() || content[first] == ';')
        return {};
    if (content[first] == '[') {
        const qsizetype close = content.indexOf(']', first + 1);
        if (close < 0)
            return {};
        return {LineKind::Header, content.sliced(first + 1, close - first - 1)};
    }
    const qsizetype equals = content.indexOf('=', first);
    if (equals < 0 || trimBlanks(content.first(equals)).isEmpty())
        return {};
    return {LineKind::Key, content.first(equals)};
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

IniDocument::IniDocument() : m_sections(1) {}

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

QByteArrayView IniDocument::chunkBytes(const Chunk &chunk) const
{
    if (chunk.isOwned)
        return chunk.owned;
    return QByteArrayView(m_source).sliced(chunk.begin, chunk.end - chunk.begin);
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
    qsizetype runBegin = -1; // start of the current run of other lines
    Section *section = &m_sections.back();

    auto closeRun = [&](qsizetype end) {
        if (runBegin >= 0) {
            section->chunks.push_back({runBegin, end, {}, false});
            runBegin = -1;
        }
    };

    while (pos < source.size()) {
        qsizetype contentEnd = pos;
        while (contentEnd < source.size() && !isLineBreak(source[contentEnd]))
            ++contentEnd;
        qsizetype next = contentEnd;
        if (next < source.size()) {
            next += (source[next] == '\r' && next + 1 < source.size() && source[next + 1] == '\n') ? 2 : 1;
            if (!lineBreakKnown) {
                m_lineBreak = source.sliced(contentEnd, next - contentEnd).toByteArray();
                lineBreakKnown = true;
            }
        }

        const ParsedLine line = classifyLine(source.sliced(pos, contentEnd - pos));
        if (line.kind == LineKind::Header) {
            closeRun(pos);
            m_sections.emplace_back();
            section = &m_sections.back();
            section->chunks.push_back({pos, next, {}, false});
            section->insertChunk = 0;
            const QString folded = foldName(line.name);
            if (!m_sectionIndex.contains(folded)) // the first section of a name is the one
                m_sectionIndex.insert(folded, qsizetype(m_sections.size() - 1));
        } else if (line.kind == LineKind::Key && &m_sections.front() != section) {
            const QString folded = foldName(line.name);
            if (!section->keyChunks.contains(folded)) {
                closeRun(pos);
                section->chunks.push_back({pos, next, {}, false});
                section->keyChunks.insert(folded, qsizetype(section->chunks.size() - 1));
                section->insertChunk = qsizetype(section->chunks.size() - 1);
                section->insertSplitAt = -1;
            } else {
                // A repeated key is never read or written, but new keys still go after it.
                if (runBegin < 0)
                    runBegin = pos;
                section->insertChunk = qsizetype(section->chunks.size());
                section->insertSplitAt = next - runBegin;
            }
        } else if (runBegin < 0) {
            runBegin = pos;
        }
        pos = next;
    }
    closeRun(source.size());
}

std::optional<QString> IniDocument::value(QStringView section, QStringView key) const
{
    if (!isValidSectionName(section) || !isValidKeyName(key))
        return std::nullopt;
    const auto sectionIt = m_sectionIndex.constFind(trimBlanks(section).toString().toCaseFolded());
    if (sectionIt == m_sectionIndex.cend())
        return std::nullopt;
    const Section &found = m_sections[size_t(*sectionIt)];
    const auto keyIt = found.keyChunks.constFind(trimBlanks(key).toString().toCaseFolded());
    if (keyIt == found.keyChunks.cend())
        return std::nullopt;
    const QByteArrayView content = lineContent(chunkBytes(found.chunks[size_t(*keyIt)]));
    return decodeUtf8OrWindows1251(content.sliced(content.indexOf('=') + 1));
}

QString IniDocument::value(QStringView section, QStringView key, const QString &defaultValue) const
{
    return value(section, key).value_or(defaultValue);
}

bool IniDocument::hasSection(QStringView section) const
{
    return isValidSectionName(section) && m_sectionIndex.contains(trimBlanks(section).toString().toCaseFolded());
}

IniDocument::Section &IniDocument::sectionForWriting(const QString &foldedName, QStringView trimmedName)
{
    const auto it = m_sectionIndex.constFind(foldedName);
    if (it != m_sectionIndex.cend())
        return m_sections[size_t(*it)];
    Section added;
    added.chunks.push_back({0, 0, '[' + trimmedName.toUtf8() + ']' + m_lineBreak, true});
    m_sections.push_back(std::move(added));
    m_sectionIndex.insert(foldedName, qsizetype(m_sections.size() - 1));
    return m_sections.back();
}

void IniDocument::insertKeyLine(Section &section, const QString &foldedKey, QByteArray line)
{
    size_t at = size_t(section.insertChunk);
    if (section.insertSplitAt >= 0) {
        // Split the run of other lines after the last (repeated) key line in it.
        Chunk &run = section.chunks[at];
        const qsizetype splitAt = run.begin + section.insertSplitAt;
        if (splitAt < run.end) {
            const Chunk tail{splitAt, run.end, {}, false};
            run.end = splitAt;
            section.chunks.insert(section.chunks.begin() + qsizetype(at) + 1, tail);
        }
    }
    ++at;
    section.chunks.insert(section.chunks.begin() + qsizetype(at), Chunk{0, 0, std::move(line), true});
    section.keyChunks.insert(foldedKey, qsizetype(at));
    section.insertChunk = qsizetype(at);
    section.insertSplitAt = -1;
}

void IniDocument::setValue(QStringView section, QStringView key, const QString &value)
{
    if (!isValidSectionName(section) || !isValidKeyName(key))
        return;
    const QStringView sectionName = trimBlanks(section);
    const QStringView keyName = trimBlanks(key);
    Section &target = sectionForWriting(sectionName.toString().toCaseFolded(), sectionName);
    const QString foldedKey = keyName.toString().toCaseFolded();
    const QByteArray encoded = encodeValue(value);

    const auto keyIt = target.keyChunks.constFind(foldedKey);
    if (keyIt == target.keyChunks.cend()) {
        insertKeyLine(target, foldedKey, keyName.toUtf8() + '=' + encoded + m_lineBreak);
        return;
    }
    // Keep the key as spelled in the file and the line's own line break.
    Chunk &chunk = target.chunks[size_t(*keyIt)];
    const QByteArrayView line = chunkBytes(chunk);
    const QByteArrayView content = lineContent(line);
    QByteArray replaced = content.first(content.indexOf('=') + 1).toByteArray();
    replaced += encoded;
    replaced += line.sliced(content.size());
    chunk.owned = std::move(replaced);
    chunk.isOwned = true;
}

QByteArray IniDocument::toBytes() const
{
    QByteArray out;
    out.reserve(m_source.size() + 256);
    if (m_hasBom)
        out += kUtf8Bom;
    bool openLine = false; // the last piece written did not end its line
    for (const Section &section : m_sections) {
        for (const Chunk &chunk : section.chunks) {
            const QByteArrayView bytes = chunkBytes(chunk);
            if (bytes.isEmpty())
                continue;
            if (openLine)
                out += m_lineBreak;
            // An added line ending in a lone CR (a file with CR line breaks) must not
            // pair up with an LF that starts the next line.
            if (out.endsWith('\r') && bytes.front() == '\n')
                out += '\n';
            out += bytes;
            openLine = !isLineBreak(bytes.back());
        }
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
