#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace fenwave {

// The extension of a picture the encoder takes as a cover, judged by its first bytes: ".jpg",
// ".png" or ".gif". Empty for anything else (the encoder refuses it and fails the file).
QString coverExtension(const QByteArray &picture);
// How many of a picture's first bytes coverExtension needs.
inline constexpr int kCoverSignatureBytes = 8;

// A cover embedded in a sound file, written to a file of its own in the system's temporary
// folder so that the encoder can read it; the file goes with the object, however its job ended.
class TemporaryCover
{
public:
    // Writes `picture` to "fenwave-cover-XXXXXX" with its extension, readable by its owner only.
    // Null when it cannot be written: `error` then holds the errno.
    static std::unique_ptr<TemporaryCover> write(const QByteArray &picture, int *error);

    TemporaryCover(const TemporaryCover &) = delete;
    TemporaryCover &operator=(const TemporaryCover &) = delete;
    ~TemporaryCover();

    QString path() const;

private:
    explicit TemporaryCover(const QByteArray &name) : m_name(name) {}

    QByteArray m_name; // as the file system takes it
};

} // namespace fenwave
