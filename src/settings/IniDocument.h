#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

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
    // A piece of the file: one key or header line, or a run of other lines.
    // Unedited pieces are slices of m_source, so kept lines stay byte for byte.
    struct Chunk {
        qsizetype begin = 0;
        qsizetype end = 0;
        QByteArray owned; // the bytes of an edited or added line
        bool isOwned = false;
    };
    struct Section {
        std::vector<Chunk> chunks;           // chunks[0] is the header, except in the preamble
        QHash<QString, qsizetype> keyChunks; // folded key name -> chunk of its first line
        // Where a new key goes: after the last key line. splitAt is -1 for "after
        // the whole chunk", else an offset inside a run of other lines.
        qsizetype insertChunk = 0;
        qsizetype insertSplitAt = -1;
    };

    QByteArrayView chunkBytes(const Chunk &chunk) const;
    void parse();
    Section &sectionForWriting(const QString &foldedName, QStringView trimmedName);
    void insertKeyLine(Section &section, const QString &foldedKey, QByteArray line);

    QByteArray m_source;
    bool m_hasBom = false;
    QByteArray m_lineBreak = "\n";
    std::vector<Section> m_sections;          // m_sections[0]: lines before the first header
    QHash<QString, qsizetype> m_sectionIndex; // folded name -> first section of that name
};

} // namespace fenwave
