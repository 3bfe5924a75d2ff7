#include "video/riff_chunks.h"

#include "system/local_file.h"

#include <cstring>

std::uint32_t littleEndian32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

bool readAt(const LocalFile& file, void* buffer, std::size_t size, std::int64_t offset)
{
    return file.readAt(buffer, size, offset) == std::int64_t(size);
}

std::optional<RiffChunk> aviList(const LocalFile& file)
{
    unsigned char header[12];
    if (!readAt(file, header, sizeof header, 0) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "AVI ", 4) != 0 || littleEndian32(header + 4) < 4)
        return std::nullopt;
    return RiffChunk{12, littleEndian32(header + 4) - 4};
}

std::optional<RiffChunk> findChunk(const LocalFile& file, RiffChunk list, const char* id, int skip)
{
    const std::int64_t end = list.offset + list.size;
    for (std::int64_t offset = list.offset; offset + 8 <= end;) {
        unsigned char chunk[12];
        if (!readAt(file, chunk, 8, offset))
            return std::nullopt;
        const std::uint32_t size = littleEndian32(chunk + 4);
        const bool isList = std::memcmp(chunk, "LIST", 4) == 0 && size >= 4;
        if (isList && !readAt(file, chunk + 8, 4, offset + 8))
            return std::nullopt;
        if (std::memcmp(isList ? chunk + 8 : chunk, id, 4) == 0 && skip-- == 0)
            return isList ? RiffChunk{offset + 12, size - 4} : RiffChunk{offset + 8, size};
        offset += 8 + std::int64_t(size) + (size & 1);
    }
    return std::nullopt;
}
