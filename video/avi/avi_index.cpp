#include "video/avi/avi_index.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include <algorithm>
#include <vector>

std::optional<AviIndexCount> countAviIndex(const LocalFile& file, RiffChunk idx1, int stream)
{
    if (stream < 0 || stream > 99)
        return std::nullopt;
    constexpr std::size_t entrySize = 16;
    std::vector<unsigned char> block(4096 * entrySize);
    AviIndexCount count;
    const std::int64_t entries = idx1.size / entrySize;
    for (std::int64_t done = 0; done < entries;) {
        const std::size_t now = std::size_t(std::min<std::int64_t>(entries - done, 4096));
        if (!readAt(file, block.data(), now * entrySize, idx1.offset + done * std::int64_t(entrySize)))
            return std::nullopt;
        for (std::size_t i = 0; i < now; ++i) {
            const unsigned char* entry = &block[i * entrySize];
            if (!isVideoChunk(entry, stream))
                continue;
            ++count.entries;
            count.trailingEmpty = AV_RL32(entry + 12) == 0 ? count.trailingEmpty + 1 : 0;
        }
        done += std::int64_t(now);
    }
    return count;
}
