#include "settings/UserStore.h"

#include "settings/ProfileInteger.h"
#include "settings/UserConfigFolder.h"
#include "settings/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QtEndian>

#include <utility>

namespace fenwave {

namespace {

// Registry type numbers.
constexpr quint32 kindString = 1;
constexpr quint32 kindExpandString = 2;
constexpr quint32 kindBinary = 3;
constexpr quint32 kindDword = 4;

constexpr char fileHeader[] = "Windows Registry Editor Version 5.00";
constexpr int kHexLineWidth = 76; // the export tool keeps its lines within 80 columns

QString rootKeyName()
{
    return QStringLiteral("HKEY_CURRENT_USER");
}

bool holdsLineBreakOrZero(QStringView text)
{
    for (QChar c : text)
        if (c == u'\n' || c == u'\r' || c == u'\0')
            return true;
    return false;
}

// A key path or value name that the UTF-8 file can hold and give back unchanged: no line
// break, no zero, no unpaired surrogate.
bool storableName(QStringView text)
{
    return !holdsLineBreakOrZero(text) && text.isValidUtf16();
}

QString sectionForKeyPath(const QString &keyPath)
{
    qsizetype start = 0;
    while (start < keyPath.size() && keyPath.at(start) == u'\\')
        ++start;
    const QStringView rest = QStringView(keyPath).mid(start);
    return rest.isEmpty() ? rootKeyName() : rootKeyName() + u'\\' + rest.toString();
}

// A dword as the store holds it: four bytes, least significant first.
QByteArray dwordBytes(quint32 number)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(number, bytes.data());
    return bytes;
}

QByteArray utf16WithTerminator(QStringView text)
{
    QByteArray bytes((text.size() + 1) * 2, '\0');
    // An empty text may have no characters at all to point at.
    if (!text.isEmpty())
        qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

// UTF-16LE bytes as text; an odd last byte is ignored.
QString utf16Text(const QByteArray &bytes)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    if (!text.isEmpty())
        qFromLittleEndian<quint16>(bytes.constData(), text.size(), text.data());
    return text;
}

QString decodeFileText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(QByteArrayView(bytes).sliced(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(QByteArrayView(bytes).sliced(2));
    if (bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0')
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes); // UTF-16 without its mark
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(QByteArrayView(bytes).sliced(3));
    return QString::fromUtf8(bytes);
}

// "01,ab, 3f" -> bytes; every byte one or two hex digits, no empty items.
std::optional<QByteArray> parseHexBytes(QStringView text)
{
    QByteArray bytes;
    if (text.trimmed().isEmpty())
        return bytes;
    bytes.reserve(text.size() / 3 + 1);
    for (QStringView item : text.split(u',')) {
        const std::optional<quint32> byte = parseHexDigits(item.trimmed());
        if (!byte || item.trimmed().size() > 2)
            return std::nullopt;
        bytes.append(char(*byte));
    }
    return bytes;
}

// A double-quoted text starting at pos, with \\ and \" escapes; pos ends after the closing quote.
// Any other backslash stands for itself.
std::optional<QString> parseQuoted(QStringView line, qsizetype &pos)
{
    if (pos >= line.size() || line.at(pos) != u'"')
        return std::nullopt;
    QString text;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line.at(pos);
        if (c == u'"') {
            ++pos;
            return text;
        }
        if (c == u'\\' && pos + 1 < line.size() && (line.at(pos + 1) == u'\\' || line.at(pos + 1) == u'"'))
            ++pos;
        text.append(line.at(pos));
    }
    return std::nullopt; // cut off before its closing quote
}

QByteArray quoted(QStringView text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped.append(u'"');
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            escaped.append(u'\\');
        escaped.append(c);
    }
    escaped.append(u'"');
    return escaped.toUtf8();
}

void skipBlanks(QStringView line, qsizetype &pos)
{
    while (pos < line.size() && (line.at(pos) == u' ' || line.at(pos) == u'\t'))
        ++pos;
}

struct ParsedData {
    quint32 kind;
    QByteArray data;
};

std::optional<ParsedData> parseData(QStringView text)
{
    if (text.startsWith(u'"')) {
        qsizetype pos = 0;
        const std::optional<QString> value = parseQuoted(text, pos);
        if (!value || !text.mid(pos).trimmed().isEmpty())
            return std::nullopt;
        return ParsedData{kindString, utf16WithTerminator(*value)};
    }
    if (text.startsWith(u"dword:", Qt::CaseInsensitive)) {
        const std::optional<quint32> number = parseHexDigits(text.mid(6).trimmed());
        if (!number)
            return std::nullopt;
        return ParsedData{kindDword, dwordBytes(*number)};
    }
    if (!text.startsWith(u"hex", Qt::CaseInsensitive))
        return std::nullopt;
    quint32 kind = kindBinary;
    qsizetype pos = 3;
    if (pos < text.size() && text.at(pos) == u'(') {
        const qsizetype close = text.indexOf(u')', pos);
        if (close < 0)
            return std::nullopt;
        const std::optional<quint32> number = parseHexDigits(text.mid(pos + 1, close - pos - 1));
        if (!number)
            return std::nullopt;
        kind = *number;
        pos = close + 1;
    }
    if (pos >= text.size() || text.at(pos) != u':')
        return std::nullopt;
    const std::optional<QByteArray> bytes = parseHexBytes(text.mid(pos + 1));
    if (!bytes)
        return std::nullopt;
    return ParsedData{kind, *bytes};
}

// Walks the text line by line; a hex value may go on over following lines that
// its line ends with a backslash, as the export tool writes long data.
class LineReader
{
public:
    explicit LineReader(const QString &text) : m_text(text) {}
    bool atEnd() const { return m_pos >= m_text.size(); }
    QStringView next()
    {
        qsizetype end = m_text.indexOf(u'\n', m_pos);
        if (end < 0)
            end = m_text.size();
        QStringView line = QStringView(m_text).mid(m_pos, end - m_pos);
        m_pos = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        return line.trimmed();
    }

    qsizetype position() const { return m_pos; }
    void rewind(qsizetype position) { m_pos = position; }

private:
    const QString &m_text;
    qsizetype m_pos = 0;
};

// Appends the following lines of hex data. A line that does not start with a hex
// digit is no part of it (the data was cut off): it is left to be read on its own.
void readContinuation(LineReader &reader, QString &joined)
{
    bool more = true;
    while (more && !reader.atEnd()) {
        const qsizetype start = reader.position();
        const QStringView part = reader.next();
        if (part.isEmpty() || hexDigitValue(part.front()) < 0) {
            reader.rewind(start);
            return;
        }
        more = part.endsWith(u'\\');
        joined += more ? part.chopped(1) : part;
    }
}

// The form of a string value that reads back to the same bytes: the plain quoted
// form when there is one, else nothing (then it is written as hex(1)).
std::optional<QString> plainStringForm(const QByteArray &data)
{
    if (data.size() < 2 || data.size() % 2 != 0 || !data.endsWith(QByteArrayView("\0\0", 2)))
        return std::nullopt;
    const QString text = utf16Text(data.chopped(2));
    if (holdsLineBreakOrZero(text) || !text.isValidUtf16())
        return std::nullopt;
    return text;
}

void appendHexBytes(QByteArray &out, qsizetype lineStart, const QByteArray &bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 byte = quint8(bytes[i]);
        out.append(digits[byte >> 4]);
        out.append(digits[byte & 0xf]);
        if (i + 1 == bytes.size())
            break;
        out.append(',');
        if (out.size() - lineStart >= kHexLineWidth) {
            out.append("\\\n  ");
            lineStart = out.size() - 2;
        }
    }
}

} // namespace

QString UserStore::defaultFilePath()
{
    const QString folder = userConfigFolder();
    return folder.isEmpty() ? QString()
                            : folder + u'/' + QString::fromLatin1(kProgramName) + QStringLiteral("/user.reg");
}

UserStore::UserStore(QString filePath) : m_filePath(std::move(filePath)) {}

QList<UserStore::Key> UserStore::parseFileText(const QByteArray &bytes)
{
    QList<Key> keys;
    QHash<QString, qsizetype> keyIndex;          // folded path -> index in keys
    QList<QHash<QString, qsizetype>> valueIndex; // per key: folded name -> index
    qsizetype current = -1;

    const QString text = decodeFileText(bytes);
    LineReader reader(text);
    while (!reader.atEnd()) {
        QStringView line = reader.next();
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString path = line.mid(1, line.size() - 2).trimmed().toString();
            current = -1;
            if (path.isEmpty() || !storableName(path))
                continue;
            const QString folded = path.toCaseFolded();
            current = keyIndex.value(folded, -1);
            if (current < 0) {
                current = keys.size();
                keyIndex.insert(folded, current);
                keys.append(Key{path, QList<Value>()});
                valueIndex.append(QHash<QString, qsizetype>());
            }
            continue;
        }

        if (current < 0)
            continue; // the file's header, or lines outside any key

        qsizetype pos = 0;
        QString name;
        if (line.startsWith(u'@')) {
            pos = 1; // the key's unnamed default value
        } else {
            const std::optional<QString> quotedName = parseQuoted(line, pos);
            if (!quotedName)
                continue;
            name = *quotedName;
            if (!storableName(name))
                continue;
        }
        skipBlanks(line, pos);
        if (pos >= line.size() || line.at(pos) != u'=')
            continue;
        ++pos;
        skipBlanks(line, pos);

        QString joined;
        if (line.endsWith(u'\\') && line.mid(pos).startsWith(u"hex", Qt::CaseInsensitive)) {
            joined = line.chopped(1).toString();
            readContinuation(reader, joined);
            line = joined;
        }
        std::optional<ParsedData> parsed = parseData(line.mid(pos));
        if (!parsed)
            continue;

        Key &key = keys[current];
        QHash<QString, qsizetype> &names = valueIndex[current];
        const QString folded = name.toCaseFolded();
        const qsizetype existing = names.value(folded, -1);
        if (existing >= 0) {
            key.values[existing].kind = parsed->kind; // a later line wins, as on import
            key.values[existing].data = std::move(parsed->data);
        } else {
            names.insert(folded, key.values.size());
            key.values.append(Value{name, parsed->kind, std::move(parsed->data)});
        }
    }
    return keys;
}

void UserStore::reset()
{
    m_keys.clear();
    m_currentKey = -1;
    m_open = false;
    m_keyCreated = false;
}

bool UserStore::open(const QString &keyPath)
{
    reset();
    if (m_filePath.isEmpty() || !storableName(keyPath))
        return false; // no home folder: no store
    QByteArray text;
    if (QFileInfo::exists(m_filePath)) {
        // A store that cannot be read whole (unreadable, oversized, no regular file)
        // is neither read nor ever replaced: writing it would lose what it holds.
        const std::optional<QByteArray> bytes = readFileCapped(m_filePath, kMaxFileSize);
        if (!bytes)
            return false;
        text = *bytes;
    }
    return openFileText(text, keyPath);
}

bool UserStore::openFileText(const QByteArray &text, const QString &keyPath)
{
    reset();
    if (!storableName(keyPath))
        return false;
    m_keys = parseFileText(text);
    selectKey(keyPath);
    return true;
}

// Makes the key of keyPath the current one, adding it when the file lacks it, and opens the store.
void UserStore::selectKey(const QString &keyPath)
{
    const QString section = sectionForKeyPath(keyPath);
    for (qsizetype i = 0; i < m_keys.size(); ++i) {
        if (m_keys[i].path.compare(section, Qt::CaseInsensitive) == 0) {
            m_currentKey = i;
            break;
        }
    }
    if (m_currentKey < 0) {
        m_currentKey = m_keys.size();
        m_keys.append(Key{section, {}});
        m_keyCreated = true;
    }
    m_open = true;
}

const UserStore::Value *UserStore::findValue(QStringView name) const
{
    if (m_currentKey < 0)
        return nullptr;
    for (const Value &value : m_keys[m_currentKey].values)
        if (QStringView(value.name).compare(name, Qt::CaseInsensitive) == 0)
            return &value;
    return nullptr;
}

StoreValueType UserStore::type(const QString &name) const
{
    const Value *value = findValue(name);
    if (!value)
        return StoreValueType::Absent;
    switch (value->kind) {
    case kindDword: return value->data.size() == 4 ? StoreValueType::Dword : StoreValueType::Other;
    case kindString: return StoreValueType::String;
    case kindExpandString: return StoreValueType::ExpandString;
    case kindBinary: return StoreValueType::Binary;
    default: return StoreValueType::Other;
    }
}

std::optional<quint32> UserStore::dword(const QString &name) const
{
    if (type(name) != StoreValueType::Dword)
        return std::nullopt;
    return qFromLittleEndian<quint32>(findValue(name)->data.constData());
}

std::optional<QString> UserStore::string(const QString &name) const
{
    if (type(name) != StoreValueType::String)
        return std::nullopt;
    const QString text = utf16Text(findValue(name)->data);
    const qsizetype zero = text.indexOf(QChar(u'\0'));
    return zero < 0 ? text : text.left(zero);
}

void UserStore::setValue(const QString &name, quint32 kind, QByteArray data)
{
    // A name the file cannot hold unchanged is not stored.
    if (m_currentKey < 0 || !storableName(name))
        return;
    QList<Value> &values = m_keys[m_currentKey].values;
    for (Value &value : values) {
        if (value.name.compare(name, Qt::CaseInsensitive) == 0) {
            value.kind = kind;
            value.data = std::move(data);
            return;
        }
    }
    values.append(Value{name, kind, std::move(data)});
}

void UserStore::setDword(const QString &name, quint32 value)
{
    setValue(name, kindDword, dwordBytes(value));
}

void UserStore::setString(const QString &name, const QString &value)
{
    setValue(name, kindString, utf16WithTerminator(value));
}

void UserStore::appendValueLine(QByteArray &out, const Value &value)
{
    const qsizetype lineStart = out.size();
    out.append(value.name.isEmpty() ? QByteArray("@") : quoted(value.name));
    out.append('=');
    if (value.kind == kindString) {
        if (const std::optional<QString> text = plainStringForm(value.data)) {
            out.append(quoted(*text));
            out.append('\n');
            return;
        }
    }
    if (value.kind == kindDword && value.data.size() == 4) {
        const auto number = qFromLittleEndian<quint32>(value.data.constData());
        out.append("dword:" + QByteArray::number(number, 16).rightJustified(8, '0'));
    } else {
        out.append(value.kind == kindBinary ? QByteArray("hex:") : "hex(" + QByteArray::number(value.kind, 16) + "):");
        appendHexBytes(out, lineStart, value.data);
    }
    out.append('\n');
}

QByteArray UserStore::toFileText() const
{
    QByteArray out(fileHeader);
    out.append("\n\n");
    for (const Key &key : m_keys) {
        out.append('[' + key.path.toUtf8() + "]\n");
        for (const Value &value : key.values)
            appendValueLine(out, value);
        out.append('\n');
    }
    return out;
}

bool UserStore::close()
{
    if (!m_open)
        return false;
    m_open = false;
    const QByteArray text = toFileText();
    // A store bigger than open() reads would be refused at every later start and
    // never written again: keep the old one instead.
    if (text.size() > kMaxFileSize)
        return false;
    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        return false;
    return writeFileAtomically(m_filePath, text);
}

} // namespace fenwave
