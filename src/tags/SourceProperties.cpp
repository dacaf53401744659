#include "tags/SourceProperties.h"

#include "tags/TagLibSource.h"

#include <taglib/audioproperties.h>
#include <taglib/tfile.h>

namespace fenwave {

SourceProperties readSourceProperties(const QString &path, SoundKind kind)
{
    const TagLibSource source(path, kind, true);
    const TagLib::AudioProperties *properties = source.file() ? source.file()->audioProperties() : nullptr;
    if (!properties)
        return {};
    return {qint64(properties->lengthInMilliseconds()), properties->channels()};
}

} // namespace fenwave
