#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

#include <map>
#include <optional>
#include <vector>

namespace fenwave {

// A settings file in the INI layout, read and written the way the Windows
// private-profile services do it:
// - section and key names match without regard to letter case; blanks (spaces,
//   tabs) around them are not part of the names;
// - a value is the text after the first "=" up to the end of its line, exactly,
//   blanks included; an empty value is an empty text, not a missing key;
// - lines starting with ";" are comments; keys before the first section belong
//   to no section; of two equal section names or two equal keys in a section,
//   the first is read and written;
// - a write changes only the one line it writes (or adds one); every other byte
//   of the file stays as it was, line breaks included. A new key goes after the
//   last key line of its section, a new section at the end of the file;
// - new lines use the file's own line break (the first one found in it);
//   a new file uses "\n";
// - text is written as UTF-8; a name or value that is not valid UTF-8 is read
//   as Windows-1251 (files written by Windows programs); a UTF-8 byte-order
//   mark at the start is skipped on reading and kept on writing.
class IniDocument
{
public:
    // Files larger than this are treated as unreadable: a settings file is a few
    // kilobytes, and the limit bounds the memory a stray file can take.
    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    IniDocument(); // empty document
    static IniDocument fromBytes(const QByteArray &bytes);
    // Loads a file. A missing, unreadable, oversized or non-regular file (folder,
    // device, pipe) gives an empty document and *ok = false.
    static IniDocument load(const QString &path, bool *ok = nullptr);

    // nullopt when the section or the key is missing (or the name is not valid).
    std::optional<QString> value(QStringView section, QStringView key) const;
    QString value(QStringView section, QStringView key, const QString &defaultValue) const;
    bool hasSection(QStringView section) const;

    // Writes one key, adding the section and the key as needed. A value cannot
    // break the line structure: each CR and LF in it is written as a blank.
    // Names that could not be read back (see the isValid... functions) are
    // ignored and nothing changes.
    void setValue(QStringView section, QStringView key, const QString &value);

    QByteArray toBytes() const;

    // Writes toBytes() atomically (temporary file, synced, then renamed). Fails,
    // leaving an existing file byte for byte, when the target is not a regular
    // file, carries no write permission, its folder is missing or unwritable, or
    // any write fails (no space, quota, file-size limit, I/O error).
    bool save(const QString &path) const;

    // A section name: not empty after trimming blanks, no CR, LF or "]".
    static bool isValidSectionName(QStringView name);
    // A key name: not empty after trimming blanks, no CR, LF or "=", not starting
    // with ";" or "[".
    static bool isValidKeyName(QStringView name);

    // The line break that new lines get.
    QByteArray lineBreak() const { return m_lineBreak; }

private:
    // The file is kept as read, once; sections are found through the start of their header lines,
    // and names through hashes of their folded spelling, so that memory stays a small multiple of
    // the file's size however many lines it holds.
    struct SectionName {
        quint32 hash; // of the folded name, cut to 32 bits: a big file holds millions of these
        quint32 section;
    };
    struct KeyName {
        size_t hash;  // of the folded name
        qsizetype at; // start of the key line in m_source
    };
    // A written key line: it replaces the source line at `at` (`replaced` bytes long), or is
    // added at `at` (replaced == 0), after the last key line of its section; a line of an added
    // section has at == -1.
    struct EditedLine {
        qsizetype at;
        qsizetype replaced;
        QByteArray bytes;
    };
    struct AddedSection {
        QByteArray header;
        std::vector<size_t> lines; // into m_edits, in the order they were added
    };
    // The key lines of one source section, and where a new key goes.
    struct KeyIndex {
        qsizetype section = -1;
        std::vector<KeyName> keys; // sorted by hash, then position
        qsizetype insertAt = 0;
    };

    void parse();
    qsizetype sectionCount() const { return qsizetype(m_headers.size()); }
    qsizetype sectionEnd(qsizetype section) const;
    QByteArrayView headerContent(qsizetype section) const;
    qsizetype findSection(const QString &folded) const;
    const KeyIndex &keyIndex(qsizetype section) const;
    qsizetype findKeyLine(qsizetype section, const QString &folded) const;
    std::optional<QByteArrayView> keyLine(qsizetype section, const QString &folded) const;
    size_t hashName(QStringView folded) const;

    QByteArray m_source;
    bool m_hasBom = false;
    QByteArray m_lineBreak = "\n";
    std::vector<qsizetype> m_headers;        // start of each section's header line, in file order
    std::vector<SectionName> m_sectionNames; // sorted by hash, then section
    size_t m_seed = 0;
    // Sections added by writes are numbered after the file's own.
    std::vector<AddedSection> m_addedSections;
    QHash<QString, qsizetype> m_addedSectionIndex;
    std::vector<EditedLine> m_edits;
    std::map<std::pair<qsizetype, QString>, size_t> m_editIndex; // (section, folded key) -> edit
    mutable KeyIndex m_keyIndex;                                 // of the section looked up last
};

} // namespace fenwave
