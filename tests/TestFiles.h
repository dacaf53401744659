// Whole-file reading and writing for tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

namespace testing {

// The bytes of a file; empty when it cannot be read.
inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Writes a file the test cannot go on without; ends the program when that fails.
inline void mustWrite(const QString &path, const QByteArray &bytes)
{
    if (!writeAll(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
}

// A program file only its owner may read, write and run.
inline bool writeExecutable(const QString &path, const QByteArray &bytes)
{
    return writeAll(path, bytes) && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A PCM WAV file without samples (16-bit stereo, 44.1 kHz): the least a file must hold to be
// taken for sound where the content is looked at.
inline QByteArray silentWave()
{
    return QByteArray("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data\0\0\0\0",
                      44);
}

// The lines of a UTF-8 text file, without the empty piece after a final line break.
inline QStringList readLines(const QString &path)
{
    QStringList lines = QString::fromUtf8(readAll(path)).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Whether the process `pidText` names runs; one that has ended but was not reaped yet counts as gone.
inline bool isAlive(const QString &pidText)
{
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pidText.trimmed()));
    const qsizetype end = stat.lastIndexOf(')');
    return end > 0 && end + 2 < stat.size() && stat.at(end + 2) != 'Z';
}

// ffmpeg's arguments that take the picture `cover` as its second input and embed it in the
// sound file it writes as the attached picture.
inline QStringList ffmpegEmbeddedCover(const QString &cover)
{
    return {"-i", cover, "-map", "0", "-map", "1", "-c:v", "copy", "-disposition:v", "attached_pic"};
}

} // namespace testing
