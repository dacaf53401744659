#include "tags/JobTags.h"

#include "tags/SourceTags.h"
#include "tags/TagSwitches.h"

namespace fenwave {

namespace {

SourceTags tagsOf(const QString &input, SoundKind kind)
{
    return kind == SoundKind::NotChecked ? readSourceTags(input) : readSourceTags(input, kind);
}

// An embedded front cover goes to the encoder when it takes the picture; else a picture beside
// the file stands in, when there is one (readSourceTags).
bool passesEmbeddedCover(const FileTagRules &rules, const SourceTags &tags)
{
    return rules.cover && !coverExtension(tags.cover).isEmpty();
}

} // namespace

JobTags prepareJobTags(const FileTagRules &rules, const QString &input, SoundKind kind)
{
    JobTags prepared;
    if (!rules.carry)
        return prepared;
    const SourceTags tags = tagsOf(input, kind);
    QString coverFile = tags.coverFile;
    if (passesEmbeddedCover(rules, tags)) {
        prepared.cover = TemporaryCover::write(tags.cover, &prepared.coverError);
        if (!prepared.cover)
            return prepared;
        coverFile = prepared.cover->path();
    }
    prepared.switches = fileTagSwitches(rules, tags, input, coverFile, &prepared.tagsCut);
    return prepared;
}

ShownJobTags shownJobTags(const FileTagRules &rules, const QString &input, SoundKind kind)
{
    ShownJobTags shown;
    if (!rules.carry)
        return shown;
    const SourceTags tags = tagsOf(input, kind);
    shown.embeddedCover = passesEmbeddedCover(rules, tags);
    shown.switches = fileTagSwitches(rules, tags, input, shown.embeddedCover ? QString() : tags.coverFile);
    return shown;
}

} // namespace fenwave
