#pragma once

#include "ProgramIdentity.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace fenwave {

enum class StoreValueType { Absent, Dword, String, ExpandString, Binary, Other };

// The per-user store: keys under HKEY_CURRENT_USER holding named, typed values,
// kept in a text file in the registry export layout so that a person can read
// and edit it. Values and keys this program does not know are kept as they were.
// Value and key names match without regard to letter case.
class UserStore
{
public:
    // A bigger file is no store this program wrote: it is not read, and not replaced.
    static constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

    // "fenwave/user.reg" in the user's configuration folder; empty when the user has none.
    static QString defaultFilePath();
    explicit UserStore(QString filePath = defaultFilePath());

    // Opens (reads) the store and the key path under HKEY_CURRENT_USER, creating the key in memory when missing.
    // Returns false when the file path is empty, or the file exists but cannot be read whole: unreadable, larger than
    // kMaxFileSize, or no regular file (then every value reads as absent, and close() writes
    // nothing, so that a file we could not read is never replaced).
    // A damaged file reads as far as it makes sense; lines that cannot be understood are dropped.
    bool open(const QString &keyPath = QString::fromLatin1(kStoreKeyPath));
    // Opens the store from file text already in memory, as open() does after reading the file
    // (no size limit applied). false only for a key path the file cannot hold.
    bool openFileText(const QByteArray &text, const QString &keyPath = QString::fromLatin1(kStoreKeyPath));
    bool isOpen() const { return m_open; }
    // The key (or the whole file) did not exist and was created in memory by open().
    bool keyCreated() const { return m_keyCreated; }
    QString filePath() const { return m_filePath; }

    StoreValueType type(const QString &name) const;
    std::optional<quint32> dword(const QString &name) const;  // only when the type is Dword
    std::optional<QString> string(const QString &name) const; // only when the type is String; cut at the first '\0'
    void setDword(const QString &name, quint32 value);        // replaces whatever type the name had
    void setString(const QString &name, const QString &value);
    // Writes the store atomically (creating folder and file when needed). false on any failure
    // (no space, quota, file-size limit, I/O error); the old file stays byte for byte.
    // Also false, writing nothing, when the store is not open or its text would be
    // larger than kMaxFileSize.
    bool close();

    // The file text for the present contents (what close() writes).
    QByteArray toFileText() const;

private:
    struct Value {
        QString name;
        quint32 kind = 0; // the registry type number
        QByteArray data;  // the registry data bytes (strings as UTF-16LE with their terminating zero)
    };
    struct Key {
        QString path; // full path, root included
        QList<Value> values;
    };

    static QList<Key> parseFileText(const QByteArray &bytes);
    void reset();
    void selectKey(const QString &keyPath);
    static void appendValueLine(QByteArray &out, const Value &value);
    const Value *findValue(QStringView name) const;
    void setValue(const QString &name, quint32 kind, QByteArray data);

    QString m_filePath;
    QList<Key> m_keys;
    qsizetype m_currentKey = -1;
    bool m_open = false;
    bool m_keyCreated = false;
};

} // namespace fenwave
