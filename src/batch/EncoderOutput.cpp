#include "batch/EncoderOutput.h"

#include <QString>

namespace fenwave {

std::optional<EncoderProgress> EncoderOutput::take(QByteArrayView bytes)
{
    m_kept.append(bytes.data(), bytes.size());
    if (m_kept.size() > 2 * kKeptBytes)
        m_kept.remove(0, m_kept.size() - kKeptBytes);

    std::optional<EncoderProgress> latest;
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (const std::optional<EncoderProgress> progress = endLine())
                latest = progress;
        } else if (m_line.size() < kLongestLine) {
            m_line.append(c);
        }
    }
    return latest;
}

std::optional<EncoderProgress> EncoderOutput::finish()
{
    return endLine();
}

std::optional<EncoderProgress> EncoderOutput::endLine()
{
    if (m_line.isEmpty())
        return std::nullopt;
    const std::optional<EncoderProgress> progress = parseEncoderProgress(QString::fromUtf8(m_line));
    m_line.clear();
    return progress;
}

QByteArray EncoderOutput::kept() const
{
    return m_kept.size() > kKeptBytes ? m_kept.right(kKeptBytes) : m_kept;
}

void EncoderOutput::clear()
{
    m_kept = QByteArray();
    m_line = QByteArray();
}

} // namespace fenwave
