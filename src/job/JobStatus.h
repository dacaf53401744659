#pragma once

namespace fenwave {

enum class JobState { Waiting, Encoding, Finished, Failed, Skipped, Stopped };

// Why a job failed.
enum class JobFailure {
    None,
    ExitStatus,         // the encoder ended with a status other than 0 (code)
    DecoderExitStatus,  // the decoder failed first, or alone (code)
    Signal,             // a signal ended the encoder or the decoder (code, its number)
    CannotStart,        // the encoder or the decoder could not be started (code, errno; 0: not known)
    CannotCreateOutput, // the temporary output could not be made (code, errno)
    CannotPlaceOutput,  // the finished output could not take its place (code, errno)
    OutputBeingWritten, // another run was writing the output when the job was to start
    OutputReadOnly,     // the output to replace has no write permission at all, and is kept
    OutputNotRegular,   // an entry that is no regular file has the output's name, and is kept
    CannotWriteCover,   // the input's embedded cover could not be written for the encoder (code, errno)
};

struct JobStatus {
    JobState state = JobState::Waiting;
    double progress = 0; // 0..1, as far as the encoder has said
    JobFailure failure = JobFailure::None;
    int code = 0;
    bool tagsCut = false; // a tag value too long for the encoder's argument list was cut for it
};

} // namespace fenwave
