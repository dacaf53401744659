#include "job/EncoderOutput.h"

#include <QRegularExpression>
#include <QString>

namespace fenwave {

namespace {

// A line that says something begins with a word: the progress rows, their headings and
// rulers begin with blanks, digits or dashes, and the encoder's own lines with a letter.
bool saysSomething(const QString &line)
{
    return !line.isEmpty() && line.front().isLetter();
}

QString withoutTerminalCodes(const QByteArray &line)
{
    static const QRegularExpression kCodes(QStringLiteral("\\x1b\\[[0-9;?]*[A-Za-z]"));
    QString text = QString::fromUtf8(line);
    if (line.contains('\x1b'))
        text.remove(kCodes);
    return text;
}

} // namespace

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
    const QString line = withoutTerminalCodes(m_line);
    m_line.clear();
    if (m_speaker == Speaker::Decoder && isDecoderReportLine(line))
        return parseDecoderProgress(line, m_total);
    const std::optional<EncoderProgress> progress
        = m_speaker == Speaker::Encoder ? parseEncoderProgress(line) : std::nullopt;
    // The decoder's errors start with its name for the input ("/music/a.m4a: ...") or a
    // bracket ("[flac @ 0x...]"): every line of it that is no report says something.
    const bool says = m_speaker == Speaker::Decoder ? !line.trimmed().isEmpty() : saysSomething(line);
    if (!progress && says) {
        m_lastSaid = line.trimmed().toUtf8();
        if (m_firstSaid.isEmpty())
            m_firstSaid = m_lastSaid;
        m_said.append(m_lastSaid).append('\n');
        if (m_said.size() > 2 * kSaidBytes) {
            const qsizetype cut = m_said.indexOf('\n', m_said.size() - kSaidBytes);
            m_said.remove(0, cut < 0 ? m_said.size() - kSaidBytes : cut + 1);
        }
    }
    return progress;
}

QByteArray EncoderOutput::kept() const
{
    return m_kept.size() > kKeptBytes ? m_kept.right(kKeptBytes) : m_kept;
}

QByteArray EncoderOutput::said() const
{
    if (m_said.size() <= kSaidBytes)
        return m_said;
    const qsizetype cut = m_said.indexOf('\n', m_said.size() - kSaidBytes);
    return cut < 0 ? m_said.right(kSaidBytes) : m_said.mid(cut + 1);
}

void EncoderOutput::clear()
{
    m_kept = QByteArray();
    m_line = QByteArray();
    m_said = QByteArray();
    m_lastSaid = QByteArray();
    m_firstSaid = QByteArray();
}

} // namespace fenwave
