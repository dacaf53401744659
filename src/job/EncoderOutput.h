#pragma once

#include "options/EncoderProgress.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace fenwave {

// What one encoder writes, read as it comes: the progress its lines report, and its
// last kKeptBytes, so that a failed file can show why without the output of a long run
// filling the memory.
class EncoderOutput
{
public:
    // Whose output it is: the encoder's progress lines, or the decoder's report lines
    // (key=value, never lines that say something).
    enum class Speaker { Encoder, Decoder };
    explicit EncoderOutput(Speaker speaker = Speaker::Encoder) : m_speaker(speaker) {}
    // The decoder's: the source's length in microseconds, against which it reports.
    void setTotal(long long total) { m_total = total; }

    static constexpr qsizetype kKeptBytes = 64 * 1024;
    // A line is read for progress by its start; the rest of a longer one is not kept.
    static constexpr qsizetype kLongestLine = 4096;
    static constexpr qsizetype kSaidBytes = 4 * 1024;

    // Takes the next piece of the output; gives the progress of the latest line in it that
    // reports one.
    std::optional<EncoderProgress> take(QByteArrayView bytes);
    // The output is over: the text after the last CR or LF counts as a line too.
    std::optional<EncoderProgress> finish();

    // The last kKeptBytes of the output (all of it when it was shorter).
    QByteArray kept() const;
    // The lines that say something (the encoder's notes, warnings and errors; no progress lines
    // or table rows), their last kSaidBytes: small enough to keep for every file of a batch.
    QByteArray said() const;
    // The last of those lines ("Can't init outfile 'x.mp3'"); empty when there was none.
    QByteArray lastSaid() const { return m_lastSaid; }
    // The first of them: a decoder stops at its first error, which says why.
    QByteArray firstSaid() const { return m_firstSaid; }
    void clear();

private:
    std::optional<EncoderProgress> endLine();

    Speaker m_speaker;
    long long m_total = 0;
    QByteArray m_kept; // grows up to twice kKeptBytes before its front is dropped
    QByteArray m_line; // since the last CR or LF
    QByteArray m_said; // grows up to twice kSaidBytes before its front is dropped
    QByteArray m_lastSaid;
    QByteArray m_firstSaid;
};

} // namespace fenwave
