// Fuzz target for the content check (what a file holds, judged by its first bytes and the
// headers of its chunks).
//
// The input is a whole file held in memory. When it holds four NUL bytes, what follows them is
// also taken as a pattern repeated to a file of a terabyte after the bytes before them: a
// header followed by countless tiny chunks, or sizes that lead far into the file.
//
// Checked: every file that can be read gets a kind, with a text in both languages (only an
// empty file is empty, nothing read is "not checked"); channel counts are of 16 bits; the
// check reads no more than its head and its bound past the head, however large the file.

#include "FuzzCheck.h"
#include "batch/SoundContent.h"
#include "batch/SoundKind.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>

namespace {

using fenwave::SoundFormat;
using fenwave::SoundKind;

// The bytes, then the pattern over and over up to the size; counts what is asked of it.
class RepeatedBytes : public fenwave::ByteSource
{
public:
    RepeatedBytes(const QByteArray &bytes, const QByteArray &pattern, qint64 size)
        : m_bytes(bytes), m_pattern(pattern), m_size(size)
    {
    }
    qint64 size() const override { return m_size; }
    QByteArray read(qint64 offset, qint64 count) const override
    {
        m_asked += count;
        QByteArray out;
        out.reserve(std::max<qint64>(std::min(count, m_size - offset), 0));
        for (qint64 at = offset; at < std::min(offset + count, m_size);) {
            const qint64 past = at - m_bytes.size();
            const qint64 want = std::min(offset + count, m_size) - at;
            const QByteArray &from = past < 0 ? m_bytes : m_pattern;
            const qint64 start = past < 0 ? at : past % m_pattern.size();
            const qint64 piece = std::min(want, from.size() - start);
            out.append(from.constData() + start, piece);
            at += piece;
        }
        return out;
    }
    qint64 asked() const { return m_asked; }

private:
    const QByteArray &m_bytes;
    const QByteArray &m_pattern;
    const qint64 m_size;
    mutable qint64 m_asked = 0;
};

void checkFormat(const SoundFormat &format, bool empty)
{
    FUZZ_CHECK((format.kind == SoundKind::EmptyFile) == empty);
    FUZZ_CHECK(format.kind != SoundKind::NotChecked && format.kind != SoundKind::NotRegular);
    FUZZ_CHECK(format.channels >= 0 && format.channels <= 0xffff);
    // A kind the table lacks would be told as the text of "not checked".
    const QString notChecked = fenwave::soundKindText(SoundKind::NotChecked, fenwave::Language::English);
    FUZZ_CHECK(fenwave::soundKindText(format.kind, fenwave::Language::English) != notChecked);
    FUZZ_CHECK(!fenwave::soundKindText(format.kind, fenwave::Language::Russian).isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    checkFormat(fenwave::soundFormatOfBytes(input), input.isEmpty());

    const FuzzInput parts = splitFuzzInput(data, size);
    if (parts.hasOperations && !parts.operations.isEmpty()) {
        const RepeatedBytes huge(parts.file, parts.operations, qint64(1) << 40);
        checkFormat(fenwave::soundFormatOfContent(huge), false);
        FUZZ_CHECK(huge.asked() <= fenwave::kContentHeadSize + fenwave::kContentWalkBound);
    }
    return 0;
}
