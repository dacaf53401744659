#include "options/EncoderProgress.h"

#include <QRegularExpression>

namespace fenwave {

namespace {

// Encoding: frames done, "/", the total (blank while unknown), then the percentage in
// brackets and the first column bar. Decoding: "Frame#", frames done, and "/total" when known.
const QRegularExpression kEncoding(QStringLiteral(R"(^\s*(\d+)/(\d*)\s*\(\s*\d+%\)\|)"));
const QRegularExpression kDecoding(QStringLiteral(R"(^\s*Frame#\s*(\d+)(?:/(\d+))?(?:\s|$))"));

} // namespace

std::optional<EncoderProgress> parseEncoderProgress(QStringView line)
{
    for (const QRegularExpression *form : {&kEncoding, &kDecoding}) {
        const QRegularExpressionMatch match = form->match(line);
        if (!match.hasMatch())
            continue;
        bool doneOk = false;
        EncoderProgress progress;
        progress.done = match.capturedView(1).toLongLong(&doneOk);
        if (!doneOk)
            return std::nullopt;
        // An unreadable or missing total counts as unknown.
        progress.total = match.capturedView(2).toLongLong();
        if (progress.total < 0)
            progress.total = 0;
        return progress;
    }
    return std::nullopt;
}

bool isDecoderReportLine(QStringView line)
{
    static const QRegularExpression kReport(QStringLiteral(R"(^[a-z][a-z0-9_]*=)"));
    return kReport.match(line).hasMatch();
}

std::optional<EncoderProgress> parseDecoderProgress(QStringView line, long long totalUs)
{
    static const QLatin1String kKey("out_time_us=");
    if (!line.startsWith(kKey))
        return std::nullopt;
    bool ok = false;
    const long long done = line.sliced(kKey.size()).trimmed().toLongLong(&ok);
    // "N/A" before the first sound, and a negative start of some sources.
    if (!ok || done < 0)
        return std::nullopt;
    return EncoderProgress{done, totalUs > 0 ? totalUs : 0};
}

} // namespace fenwave
