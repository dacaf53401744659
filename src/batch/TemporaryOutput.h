#pragma once

#include <QByteArray>
#include <QString>

namespace fenwave {

// The hidden file beside an output that an encoder of a batch writes into: the output only
// takes its place once the encoder has finished, so that a failed or stopped file never leaves
// a partial output and never replaces one that was there. Removed when it goes unless put in
// place.
class TemporaryOutput
{
public:
    // For the output at `outputPath` (absolute). Nothing is created yet.
    explicit TemporaryOutput(const QString &outputPath);
    TemporaryOutput(const TemporaryOutput &) = delete;
    TemporaryOutput &operator=(const TemporaryOutput &) = delete;
    ~TemporaryOutput() { discard(); }

    // Creates `.<output name>.fenwave-XXXXXX` in the output's folder (and that folder when it
    // is missing), empty, with the permissions a new output file gets. false when it cannot:
    // error() holds the errno.
    bool create();
    // Puts the file in the output's place, replacing what is there. false when it cannot (the
    // file is then still there): error() holds the errno.
    bool commit();
    // Removes the file when it is still there.
    void discard();

    QString path() const { return QString::fromLocal8Bit(m_path); }
    int error() const { return m_error; }

private:
    QByteArray m_output; // the output's name as the file system takes it
    QByteArray m_path;   // the temporary file's; empty while there is none
    int m_error = 0;
};

} // namespace fenwave
