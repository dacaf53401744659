#include "batch/ClockText.h"

namespace fenwave {

QString clockText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    const QString minutesAndSeconds = QStringLiteral("%1:%2")
                                          .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
                                          .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return seconds >= 3600 ? QStringLiteral("%1:").arg(seconds / 3600) + minutesAndSeconds : minutesAndSeconds;
}

} // namespace fenwave
