// Fuzz target for the per-user store file reader and writer.
//
// An input is the bytes of a store file, optionally followed by four NUL bytes
// and NUL-separated fields taken three at a time: kind, name, value. Kind "d"
// sets a number (the value read as decimal or 0x-hex, else its length), kind
// "u" sets a string from the value's raw bytes read as UTF-16LE (so lone
// surrogates occur), anything else sets the value as UTF-8 text.
//
// Everything happens in memory: the store is opened from the input bytes and its
// file text read back from memory, so that a long run spends its time in the
// parser (the ordinary tests cover reading and writing the file itself).
//
// Checked: opening never fails on any text; each write reads back at once and
// touches no other name; the file text reads back to the same text (a fixed
// point) and to the same type and data for every name in the key.

#include "FuzzCheck.h"
#include "settings/UserStore.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

using fenwave::StoreValueType;
using fenwave::UserStore;

namespace {

constexpr qsizetype kMaxOps = 6;
constexpr qsizetype kMaxNames = 48;
const QString kKeyHeader = QStringLiteral("[HKEY_CURRENT_USER\\Software\\Fenwave]");

bool holdsLineBreakOrZero(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(u'\0'));
}

// The value names of our key in a file text as toFileText() writes it.
QList<QString> namesInKey(const QByteArray &fileText)
{
    QList<QString> names;
    bool inKey = false;
    for (const QByteArray &rawLine : fileText.split('\n')) {
        const QString line = QString::fromUtf8(rawLine);
        if (line.startsWith(u'[')) {
            inKey = line.compare(kKeyHeader, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inKey || names.size() >= kMaxNames)
            continue;
        if (line.startsWith(u'@')) {
            names.append(QString());
        } else if (line.startsWith(u'"')) {
            QString name;
            for (qsizetype i = 1; i < line.size() && line[i] != u'"'; ++i) {
                if (line[i] == u'\\' && i + 1 < line.size())
                    ++i;
                name.append(line[i]);
            }
            names.append(name);
        }
    }
    return names;
}

struct Reading {
    StoreValueType type;
    std::optional<quint32> dword;
    std::optional<QString> string;
    bool operator==(const Reading &other) const
    {
        return type == other.type && dword == other.dword && string == other.string;
    }
};

Reading read(const UserStore &store, const QString &name)
{
    const Reading reading{store.type(name), store.dword(name), store.string(name)};
    FUZZ_CHECK(reading.dword.has_value() == (reading.type == StoreValueType::Dword));
    FUZZ_CHECK(reading.string.has_value() == (reading.type == StoreValueType::String));
    if (reading.string)
        FUZZ_CHECK(!reading.string->contains(QChar(u'\0')));
    return reading;
}

QString fromUtf16Bytes(const QByteArray &bytes)
{
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text.append(QChar(char16_t(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8))));
    return text;
}

void applyOp(UserStore &store, const QByteArray &kind, const QString &name, const QByteArray &value,
             const QList<QString> &otherNames)
{
    QList<Reading> others;
    for (const QString &other : otherNames)
        others.append(read(store, other));
    const Reading before = read(store, name);

    if (kind == "d") {
        bool ok = false;
        quint32 number = value.toUInt(&ok, 0);
        if (!ok)
            number = quint32(value.size());
        store.setDword(name, number);
        if (holdsLineBreakOrZero(name)) {
            FUZZ_CHECK(read(store, name) == before);
        } else {
            FUZZ_CHECK(store.type(name) == StoreValueType::Dword);
            FUZZ_CHECK(store.dword(name) == number);
        }
    } else {
        const QString text = kind == "u" ? fromUtf16Bytes(value) : QString::fromUtf8(value);
        store.setString(name, text);
        if (holdsLineBreakOrZero(name)) {
            FUZZ_CHECK(read(store, name) == before);
        } else {
            FUZZ_CHECK(store.type(name) == StoreValueType::String);
            FUZZ_CHECK(store.string(name) == text.left(text.indexOf(QChar(u'\0'))));
        }
    }

    for (qsizetype i = 0; i < otherNames.size(); ++i) {
        if (otherNames[i].compare(name, Qt::CaseInsensitive) != 0)
            FUZZ_CHECK(read(store, otherNames[i]) == others[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input = splitFuzzInput(data, size);
    const QByteArray &file = input.file;
    const QList<QByteArray> fields = input.hasOperations ? input.operations.split('\0') : QList<QByteArray>();

    // No file path: the default one would be looked up for every input.
    UserStore fresh{QString()};
    FUZZ_CHECK(fresh.openFileText(QByteArray())); // no text is an empty store
    FUZZ_CHECK(fresh.keyCreated());

    UserStore store{QString()};
    FUZZ_CHECK(store.openFileText(file));
    QList<QString> names = namesInKey(store.toFileText());

    for (qsizetype i = 0; i + 1 < fields.size() && i / 3 < kMaxOps; i += 3) {
        const QString name = QString::fromUtf8(fields[i + 1]);
        applyOp(store, fields[i], name, fields.value(i + 2), names);
        if (names.size() < kMaxNames)
            names.append(name);
    }
    // Writes every store goes through, on names the file may hold in another case.
    applyOp(store, "d", QStringLiteral("lefTPos"), QByteArray::number(qulonglong(size) * 2654435761u), names);
    applyOp(store, "s", QStringLiteral("LamePath"), "/home/me/Музыка/\"lame\" \\bin\\ lame", names);

    const QByteArray text = store.toFileText();
    UserStore reopened{QString()};
    FUZZ_CHECK(reopened.openFileText(text));
    FUZZ_CHECK(!reopened.keyCreated());
    FUZZ_CHECK(reopened.toFileText() == text);
    names += namesInKey(text);
    for (qsizetype i = 0; i < names.size() && i < 2 * kMaxNames; ++i)
        FUZZ_CHECK(read(reopened, names[i]) == read(store, names[i]));
    return 0;
}
