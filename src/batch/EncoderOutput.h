#pragma once

#include "options/EncoderProgress.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace fenwave {

// What one encoder of a batch writes, read as it comes: the progress its lines report, and its
// last kKeptBytes, so that a failed file can show why without the output of a long run
// filling the memory.
class EncoderOutput
{
public:
    static constexpr qsizetype kKeptBytes = 64 * 1024;
    // A line is read for progress by its start; the rest of a longer one is not kept.
    static constexpr qsizetype kLongestLine = 4096;

    // Takes the next piece of the output; gives the progress of the latest line in it that
    // reports one.
    std::optional<EncoderProgress> take(QByteArrayView bytes);
    // The output is over: the text after the last CR or LF counts as a line too.
    std::optional<EncoderProgress> finish();

    // The last kKeptBytes of the output (all of it when it was shorter).
    QByteArray kept() const;
    void clear();

private:
    std::optional<EncoderProgress> endLine();

    QByteArray m_kept; // grows up to twice kKeptBytes before its front is dropped
    QByteArray m_line; // since the last CR or LF
};

} // namespace fenwave
