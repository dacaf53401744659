#pragma once

#include <QStringView>

#include <optional>

namespace fenwave {

// How far the encoder has come, as its own progress line says. `total` is 0 when the encoder
// does not know how much there is (input from a pipe).
struct EncoderProgress {
    long long done = 0;
    long long total = 0;

    bool operator==(const EncoderProgress &other) const { return done == other.done && total == other.total; }
};

// Reads one progress line of the encoder, with or without its leading CR: the encoding form
// "  1234/5678  (22%)|    0:01/    0:05| ..." and the decoding form "Frame#  1234/5678  128 kbps".
// Any other line gives nothing.
std::optional<EncoderProgress> parseEncoderProgress(QStringView line);

// Whether a line is one of the decoder's progress report ("out_time_us=1500000",
// "progress=continue": a key of small letters, digits and "_", then "=").
bool isDecoderReportLine(QStringView line);

// How far the decoder has come, from its "out_time_us=" line, in microseconds of the source
// against `totalUs` (0: not known). Any other line gives nothing.
std::optional<EncoderProgress> parseDecoderProgress(QStringView line, long long totalUs);

} // namespace fenwave
