#pragma once

#include "batch/BatchJob.h"

#include <QString>

namespace fenwave {

// What stands under a planned input as its encoder is about to start, against what the plan
// found there: the encoder turns anything it cannot read into noise, and a FIFO or a device
// could hold it forever, so a file replaced after planning never reaches it.
struct InputAtStart {
    SkipReason skip = SkipReason::None;     // None: the input holds what was planned
    SoundKind kind = SoundKind::NotChecked; // what it holds now
};

// Reads the head of `path` (the planned job's input, found from the batch's folder) without
// blocking: NotRegularFile for anything but a regular file; InputDoesNotExist when nothing is
// there; InputChanged for another kind or another channel count than planned. A job the plan
// could not check is held to nothing but the first.
InputAtStart checkInputAtStart(const BatchJob &planned, const QString &path);

} // namespace fenwave
