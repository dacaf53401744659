#include "tags/JobTags.h"

#include "tags/SourceTags.h"
#include "tags/TagSwitches.h"

namespace fenwave {

namespace {

SourceTags tagsOf(const QString &input, SoundKind kind)
{
    return kind == SoundKind::NotChecked ? readSourceTags(input) : readSourceTags(input, kind);
}

} // namespace

JobTags prepareJobTags(const FileTagRules &rules, const QString &input, SoundKind kind)
{
    JobTags prepared;
    if (!rules.carry)
        return prepared;
    const SourceTags tags = tagsOf(input, kind);
    QString coverFile = tags.coverFile;
    if (rules.cover && !tags.cover.isEmpty()) {
        if (!coverExtension(tags.cover).isEmpty()) {
            prepared.cover = TemporaryCover::write(tags.cover, &prepared.coverError);
            if (!prepared.cover)
                return prepared;
            coverFile = prepared.cover->path();
        } else {
            // A picture the encoder would refuse (and fail the file for): the one beside the file
            // stands in, when there is one.
            coverFile = coverBeside(input);
        }
    }
    prepared.switches = fileTagSwitches(rules, tags, input, coverFile);
    return prepared;
}

QStringList shownJobTagSwitches(const FileTagRules &rules, const QString &input, SoundKind kind)
{
    if (!rules.carry)
        return QStringList();
    const SourceTags tags = tagsOf(input, kind);
    QString coverFile = tags.coverFile;
    if (!tags.cover.isEmpty())
        coverFile = coverExtension(tags.cover).isEmpty() ? coverBeside(input) : QString();
    return fileTagSwitches(rules, tags, input, coverFile);
}

} // namespace fenwave
