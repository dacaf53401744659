#pragma once

#include <QString>

namespace fenwave {

// A duration as a clock shows it: "mm:ss", or "h:mm:ss" from one hour on.
QString clockText(qint64 ms);

} // namespace fenwave
