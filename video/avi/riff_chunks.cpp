#include "video/avi/riff_chunks.h"

#include "system/local_file.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include <cstring>

bool isStreamNumber(const unsigned char* digits, int stream)
{
    return stream >= 0 && stream <= 99 && digits[0] == '0' + stream / 10 && digits[1] == '0' + stream % 10;
}

bool isVideoChunk(const unsigned char* id, int stream)
{
    return isStreamNumber(id, stream) && id[2] == 'd' && (id[3] == 'b' || id[3] == 'c');
}

bool readAt(const LocalFile& file, void* buffer, std::size_t size, std::int64_t offset)
{
    return file.readAt(buffer, size, offset) == std::int64_t(size);
}

std::optional<RiffChunk> aviList(const LocalFile& file)
{
    unsigned char header[12];
    if (!readAt(file, header, sizeof header, 0) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "AVI ", 4) != 0 || AV_RL32(header + 4) < 4)
        return std::nullopt;
    return RiffChunk{12, AV_RL32(header + 4) - 4};
}

void forEachChunk(const LocalFile& file, RiffChunk list, const std::function<bool(const NamedChunk&)>& visit)
{
    const std::int64_t end = list.offset + list.size;
    for (std::int64_t offset = list.offset; offset + 8 <= end;) {
        unsigned char header[12];
        if (!readAt(file, header, 8, offset))
            break;
        const std::uint32_t size = AV_RL32(header + 4);
        const bool isList = std::memcmp(header, "LIST", 4) == 0 && size >= 4;
        if (isList && !readAt(file, header + 8, 4, offset + 8))
            break;
        NamedChunk named{{}, isList ? RiffChunk{offset + 12, size - 4} : RiffChunk{offset + 8, size}};
        std::memcpy(named.id, isList ? header + 8 : header, 4);
        if (!visit(named))
            return;
        offset += 8 + std::int64_t(size) + (size & 1);
    }
}

std::optional<RiffChunk> findChunk(const LocalFile& file, RiffChunk list, const char* id, int skip)
{
    std::optional<RiffChunk> found;
    forEachChunk(file, list, [&](const NamedChunk& named) {
        if (named.is(id) && skip-- == 0)
            found = named.chunk;
        return !found;
    });
    return found;
}
