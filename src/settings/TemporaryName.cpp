#include "settings/TemporaryName.h"

#include <QRandomGenerator>

#include <climits>

namespace fenwave {

QByteArray temporaryNamePrefix(QByteArray fileName, QByteArrayView marker)
{
    const qsizetype room = NAME_MAX - 1 - marker.size() - kTemporaryRandomLength;
    if (fileName.size() > room) {
        fileName.truncate(room);
        while (!fileName.isEmpty() && (uchar(fileName.back()) & 0xC0) == 0x80)
            fileName.chop(1);
        if (!fileName.isEmpty() && (uchar(fileName.back()) & 0x80) != 0)
            fileName.chop(1);
    }
    return '.' + fileName + marker.toByteArray();
}

QByteArray temporaryRandomPart()
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray part(kTemporaryRandomLength, '\0');
    for (char &c : part)
        c = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
    return part;
}

bool isTemporaryRandomPart(QByteArrayView part)
{
    if (part.size() != kTemporaryRandomLength)
        return false;
    for (char c : part) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

} // namespace fenwave
