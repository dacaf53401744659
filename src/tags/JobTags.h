#pragma once

#include "batch/SoundKind.h"
#include "tags/CoverFile.h"
#include "tags/FileTagRules.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace fenwave {

// The tag switches of one file of a batch, made as its job starts, and the embedded cover's
// temporary file that they name, to be kept until the job has ended.
struct JobTags {
    QStringList switches;
    std::unique_ptr<TemporaryCover> cover; // none when the file has no embedded cover to pass
    int coverError = 0;                    // the errno when the embedded cover could not be written
    bool tagsCut = false;                  // a tag value too long for the encoder's argument list was cut
};

// Reads the tags of `input` (holding `kind`; judged from its content when not checked) and makes
// its switches under `rules` (fileTagSwitches), each value cut to a length the encoder's argument
// list holds. An embedded front cover the encoder takes goes to a temporary file passed with
// "--ti"; else a picture beside the file is passed as it is. Nothing is read when the rules
// carry no tags.
JobTags prepareJobTags(const FileTagRules &rules, const QString &input, SoundKind kind);

// The same switches for a command line that is shown rather than run, and whether the run would
// also pass the file's embedded front cover: its file exists only while the job runs, so the
// switches leave it out; a picture beside the file is named.
struct ShownJobTags {
    QStringList switches;
    bool embeddedCover = false;
};
ShownJobTags shownJobTags(const FileTagRules &rules, const QString &input, SoundKind kind);

} // namespace fenwave
