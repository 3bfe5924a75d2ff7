#include "video/avi/avi_headers.h"

#include <algorithm>

AviHeaders readAviHeaders(const LocalFile& file, int stream)
{
    AviHeaders headers;
    const std::optional<RiffChunk> riff = aviList(file);
    if (!riff)
        return headers;
    forEachChunk(file, *riff, [&](const NamedChunk& part) {
        if (part.is("hdrl")) {
            const std::optional<RiffChunk> streamList = findChunk(file, part.chunk, "strl", stream);
            const std::optional<RiffChunk> strf = streamList ? findChunk(file, *streamList, "strf") : std::nullopt;
            if (strf) {
                headers.format.resize(std::min<std::size_t>(strf->size, 52));
                if (!readAt(file, headers.format.data(), headers.format.size(), strf->offset))
                    headers.format.clear();
            }
        } else if (part.is("movi") && !headers.movi) {
            headers.movi = part.chunk;
        } else if (part.is("idx1") && !headers.index) {
            headers.index = countAviIndex(file, part.chunk, stream);
        }
        return true;
    });
    return headers;
}
