#include "tags/Utf8Cut.h"

namespace fenwave {

QString cutToBytes(const QString &text, int bytes)
{
    if (text.size() * 3 <= bytes) // no UTF-16 unit takes more than three bytes
        return text;
    int used = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const bool pair = text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        const int size = int(text.mid(end, length).toUtf8().size());
        if (used + size > bytes)
            break;
        used += size;
        end += length;
    }
    return text.left(end);
}

} // namespace fenwave
