#include "video/avi_index.h"

#include "system/local_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::uint32_t littleEndian32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

bool readAt(const LocalFile& file, void* buffer, std::size_t size, std::int64_t offset)
{
    return file.readAt(buffer, size, offset) == std::int64_t(size);
}

// The offset and size of the idx1 chunk among the top-level chunks of the
// first RIFF list.
std::optional<std::pair<std::int64_t, std::uint32_t>> findIdx1(const LocalFile& file)
{
    unsigned char header[12];
    if (!readAt(file, header, sizeof header, 0) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "AVI ", 4) != 0)
        return std::nullopt;
    const std::int64_t end = 8 + std::int64_t(littleEndian32(header + 4));
    for (std::int64_t offset = 12; offset + 8 <= end;) {
        unsigned char chunk[8];
        if (!readAt(file, chunk, sizeof chunk, offset))
            return std::nullopt;
        const std::uint32_t size = littleEndian32(chunk + 4);
        if (std::memcmp(chunk, "idx1", 4) == 0)
            return std::pair(offset + 8, size);
        offset += 8 + std::int64_t(size) + (size & 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<AviIndexCount> countAviIndex(const LocalFile& file, int stream)
{
    const auto idx1 = findIdx1(file);
    if (!idx1 || stream < 0 || stream > 99)
        return std::nullopt;
    // Video chunks of stream 3 are "03db" (uncompressed) or "03dc".
    const char number[2] = {char('0' + stream / 10), char('0' + stream % 10)};

    constexpr std::size_t entrySize = 16;
    std::vector<unsigned char> block(4096 * entrySize);
    AviIndexCount count;
    const std::int64_t entries = idx1->second / entrySize;
    for (std::int64_t done = 0; done < entries;) {
        const std::size_t now = std::size_t(std::min<std::int64_t>(entries - done, 4096));
        if (!readAt(file, block.data(), now * entrySize, idx1->first + done * std::int64_t(entrySize)))
            return std::nullopt;
        for (std::size_t i = 0; i < now; ++i) {
            const unsigned char* entry = &block[i * entrySize];
            if (std::memcmp(entry, number, 2) != 0 || entry[2] != 'd' || (entry[3] != 'b' && entry[3] != 'c'))
                continue;
            ++count.entries;
            count.trailingEmpty = littleEndian32(entry + 12) == 0 ? count.trailingEmpty + 1 : 0;
        }
        done += std::int64_t(now);
    }
    return count;
}
