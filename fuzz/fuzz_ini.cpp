// Fuzz target for the INI reader and writer.
//
// An input is the bytes of a settings file, optionally followed by four NUL bytes
// and write operations: NUL-separated UTF-8 fields, taken three at a time as
// section, key and value. One write derived from the file itself follows them,
// so that plain INI files exercise the replace and the insert paths too.
//
// Checked: the unedited document writes back byte for byte; every key reads as a
// simple second reader of the format says; after each write the value reads back
// (in memory and after a re-parse), no other line changes, and no other key
// changes its value; names that cannot be read back change nothing.

#include "FuzzCheck.h"
#include "settings/IniDocument.h"
#include "settings/TextDecoding.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

using fenwave::IniDocument;

namespace {

constexpr qsizetype kMaxOps = 4;
constexpr size_t kMaxCheckedEntries = 64;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

QByteArray trimBlanks(const QByteArray &bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes[begin]))
        ++begin;
    while (end > begin && isBlank(bytes[end - 1]))
        --end;
    return bytes.mid(begin, end - begin);
}

QString trimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.mid(begin, end - begin);
}

QString fold(const QString &name)
{
    return trimBlanks(name).toCaseFolded();
}

struct Entry {
    QString section; // as spelled in the file, blanks trimmed
    QString key;
    QString value;
    QString foldedSection; // fold() of the names, worked out once: lookups compare many entries
    QString foldedKey;
};

// A second, deliberately plain reader: one pass over the lines, first section of
// a name and first key of a name win, keys before any section are ignored.
std::vector<Entry> referenceEntries(const QByteArray &file)
{
    const QByteArray text = file.startsWith("\xEF\xBB\xBF") ? file.mid(3) : file;
    std::vector<Entry> entries;
    QSet<QString> seenSections;
    QSet<QString> seenKeys;
    QString section;
    bool readingSection = false; // inside the first section of its name

    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && !isLineBreak(text[end]))
            ++end;
        const QByteArray content = text.mid(pos, end - pos);
        pos = end;
        if (pos < text.size())
            pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;

        qsizetype first = 0;
        while (first < content.size() && isBlank(content[first]))
            ++first;
        if (first == content.size() || content[first] == ';')
            continue;
        if (content[first] == '[') {
            const qsizetype close = content.indexOf(']', first);
            if (close < 0)
                continue;
            section = fenwave::decodeUtf8OrWindows1251(trimBlanks(content.mid(first + 1, close - first - 1)));
            readingSection = !seenSections.contains(section.toCaseFolded());
            seenSections.insert(section.toCaseFolded());
            continue;
        }
        const qsizetype equals = content.indexOf('=');
        const QByteArray rawKey = trimBlanks(content.left(equals));
        if (equals < 0 || rawKey.isEmpty() || !readingSection || section.isEmpty())
            continue;
        const QString key = fenwave::decodeUtf8OrWindows1251(rawKey);
        const QString id = section.toCaseFolded() + u'\n' + key.toCaseFolded();
        if (seenKeys.contains(id))
            continue;
        seenKeys.insert(id);
        entries.push_back(
            {section, key, fenwave::decodeUtf8OrWindows1251(content.mid(equals + 1)), fold(section), fold(key)});
    }
    return entries;
}

std::optional<QString> referenceValue(const std::vector<Entry> &entries, const QString &section, const QString &key)
{
    if (!IniDocument::isValidSectionName(section) || !IniDocument::isValidKeyName(key))
        return std::nullopt;
    const QString foldedSection = fold(section);
    const QString foldedKey = fold(key);
    for (const Entry &entry : entries) {
        if (entry.foldedSection == foldedSection && entry.foldedKey == foldedKey)
            return entry.value;
    }
    return std::nullopt;
}

QString swapAsciiCase(QString text)
{
    for (QChar &c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
        else if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return text;
}

QString oneLine(QString value)
{
    for (QChar &c : value) {
        if (c == u'\r' || c == u'\n')
            c = u' ';
    }
    return value;
}

void checkReads(const IniDocument &document, const std::vector<Entry> &entries)
{
    for (size_t i = 0; i < entries.size() && i < kMaxCheckedEntries; ++i) {
        const Entry &entry = entries[i];
        FUZZ_CHECK(document.value(entry.section, entry.key) == entry.value);
        FUZZ_CHECK(document.value(swapAsciiCase(entry.section), swapAsciiCase(entry.key)) == entry.value);
        FUZZ_CHECK(document.hasSection(entry.section));
    }
}

struct WriteOp {
    QString section;
    QString key;
    QString value;
};

// bytes and entries hold the document's bytes and the second reader's entries of
// them; both are moved on to the document after the write (so that each state of
// the document is read by the second reader once).
void checkWrite(IniDocument &document, const WriteOp &op, QByteArray &bytes, std::vector<Entry> &entries)
{
    // Reads of names given by the input, before the write: nothing invented.
    FUZZ_CHECK(document.value(op.section, op.key) == referenceValue(entries, op.section, op.key));

    const QByteArray before = bytes;
    const std::vector<Entry> entriesBefore = std::move(entries);
    document.setValue(op.section, op.key, op.value);
    bytes = document.toBytes();
    const QByteArray &after = bytes;

    if (!IniDocument::isValidSectionName(op.section) || !IniDocument::isValidKeyName(op.key)) {
        FUZZ_CHECK(after == before);
        entries = entriesBefore;
        return;
    }

    const QString expected = oneLine(op.value);
    FUZZ_CHECK(document.value(op.section, op.key) == expected);
    FUZZ_CHECK(document.hasSection(op.section));

    const IniDocument reparsed = IniDocument::fromBytes(after);
    FUZZ_CHECK(reparsed.toBytes() == after);
    FUZZ_CHECK(reparsed.value(op.section, op.key) == expected);
    FUZZ_CHECK(reparsed.lineBreak() == document.lineBreak());
    if (before.startsWith("\xEF\xBB\xBF"))
        FUZZ_CHECK(after.startsWith("\xEF\xBB\xBF"));

    // Only one line changed or was added (two for a new section): whatever differs
    // in the old bytes lies inside a single line.
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix
           && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const QByteArray removed = before.mid(prefix, before.size() - prefix - suffix);
    const QByteArray added = after.mid(prefix, after.size() - prefix - suffix);
    FUZZ_CHECK(!removed.contains('\r') && !removed.contains('\n'));
    qsizetype addedBreaks = 0;
    for (char c : added)
        addedBreaks += c == '\n' || c == '\r';
    // At most: a break ending the old last line, a header and a key line (CRLF each),
    // and the LF that keeps an added CR apart from a following LF.
    FUZZ_CHECK(addedBreaks <= 7);

    // No other key changed its value, none vanished, at most the written one appeared.
    entries = referenceEntries(after);
    const std::vector<Entry> &entriesAfter = entries;
    FUZZ_CHECK(referenceValue(entriesAfter, op.section, op.key) == expected);
    FUZZ_CHECK(entriesAfter.size() == entriesBefore.size() || entriesAfter.size() == entriesBefore.size() + 1);
    const QString foldedOpSection = fold(op.section);
    const QString foldedOpKey = fold(op.key);
    for (size_t i = 0; i < entriesBefore.size() && i < kMaxCheckedEntries; ++i) {
        const Entry &entry = entriesBefore[i];
        if (entry.foldedSection == foldedOpSection && entry.foldedKey == foldedOpKey)
            continue;
        FUZZ_CHECK(referenceValue(entriesAfter, entry.section, entry.key) == entry.value);
        FUZZ_CHECK(document.value(entry.section, entry.key) == entry.value);
    }
}

// UTF-8 that keeps a leading U+FEFF: a value may start with one.
QString fromUtf8KeepingBom(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QList<WriteOp> explicitOps(const QByteArray &tail)
{
    QList<WriteOp> ops;
    const QList<QByteArray> fields = tail.split('\0');
    for (qsizetype i = 0; i < fields.size() && ops.size() < kMaxOps; i += 3) {
        WriteOp op;
        op.section = fromUtf8KeepingBom(fields.value(i));
        op.key = fromUtf8KeepingBom(fields.value(i + 1));
        op.value = fromUtf8KeepingBom(fields.value(i + 2));
        ops.append(op);
    }
    return ops;
}

// One write derived from the file itself, so that plain INI files exercise the replace, the
// insert-key and the new-section paths; the seed picks which, so that one input pays for one
// extra write and the run as a whole covers all three.
QList<WriteOp> derivedOps(const std::vector<Entry> &entries, size_t seed)
{
    if (!entries.empty()) {
        const Entry &entry = entries[seed % entries.size()];
        switch (seed % 3) {
        case 0: return {{swapAsciiCase(entry.section), entry.key, QStringLiteral("replaced\r\nvalue Ж ")}};
        case 1: return {{entry.section, QStringLiteral("FuzzAddedKey"), QStringLiteral("1")}};
        default: break;
        }
    }
    return {{QStringLiteral(" Новый раздел\t"), QStringLiteral("Ключ"), QStringLiteral("значение")}};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input = splitFuzzInput(data, size);
    const QByteArray &file = input.file;

    IniDocument document = IniDocument::fromBytes(file);
    FUZZ_CHECK(document.toBytes() == file);
    FUZZ_CHECK(document.lineBreak() == "\n" || document.lineBreak() == "\r\n" || document.lineBreak() == "\r");
    std::vector<Entry> entries = referenceEntries(file);
    checkReads(document, entries);

    QList<WriteOp> ops = input.hasOperations ? explicitOps(input.operations) : QList<WriteOp>();
    ops += derivedOps(entries, size);
    QByteArray bytes = file;
    for (const WriteOp &op : ops)
        checkWrite(document, op, bytes, entries);
    return 0;
}
