#include "video/avi/chunk_walk.h"

#include "system/local_file.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include <algorithm>
#include <cstring>

namespace {

// Headers are read through a window of the file, so that a file of many
// small chunks takes one read for many headers.
class HeaderWindow {
public:
    explicit HeaderWindow(const LocalFile& file) : file_(file), bytes_(64 * 1024) {}

    // The `size` bytes at `offset` (at most 16), or null where the file has
    // fewer.
    const unsigned char* at(std::int64_t offset, std::size_t size)
    {
        if (offset < start_ || offset + std::int64_t(size) > start_ + got_) {
            const std::int64_t got = file_.readAt(bytes_.data(), bytes_.size(), offset);
            start_ = offset;
            got_ = std::max<std::int64_t>(got, 0);
            if (got_ < std::int64_t(size))
                return nullptr;
        }
        return bytes_.data() + (offset - start_);
    }

private:
    const LocalFile& file_;
    std::vector<unsigned char> bytes_;
    std::int64_t start_ = 0;
    std::int64_t got_ = 0;
};

bool isId(const unsigned char* header, const char* id) { return std::memcmp(header, id, 4) == 0; }

bool isAsciiLetterOrDigit(unsigned char byte)
{
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

}  // namespace

std::optional<ChunkLayout> walkChunks(const LocalFile& file, RiffChunk movi, int stream, std::int64_t most)
{
    const std::int64_t fileSize = file.size();
    if (stream < 0 || stream > 99 || fileSize < 0)
        return std::nullopt;
    HeaderWindow window(file);
    ChunkLayout layout;
    std::int64_t offset = movi.offset;
    while (offset + 8 <= fileSize) {
        const unsigned char* header = window.at(offset, 12);
        if (!header && !(header = window.at(offset, 8)))
            return std::nullopt;
        const std::uint32_t size = AV_RL32(header + 4);
        if (header[0] > 127 || offset + 8 + std::int64_t(size) > fileSize)
            return std::nullopt;
        // The demuxer steps into every list, of whatever type. It knows no
        // RIFF header: it searches on from the byte after, and comes to the
        // 'movi' list of a later RIFF part (OpenDML) 12 bytes on, as long as
        // the size and type in between cannot be taken for a chunk's id.
        if (isId(header, "LIST") && size >= 4) {
            offset += 12;
            continue;
        }
        if (isId(header, "RIFF")) {
            if (offset + 12 > fileSize || !isId(header + 8, "AVIX") ||
                std::any_of(header + 4, header + 8, isAsciiLetterOrDigit))
                return std::nullopt;
            offset += 12;
            continue;
        }
        const bool skipped = isId(header, "JUNK") || isId(header, "idx1") || isId(header, "indx") ||
                             (header[0] == 'i' && header[1] == 'x' && isStreamNumber(header + 2, stream)) ||
                             (isStreamNumber(header, stream) && header[2] == 'i' && header[3] == 'x');
        const bool picture = isVideoChunk(header, stream);
        if (!skipped && !picture)
            return std::nullopt;
        if (picture) {
            if (layout.chunks >= most)
                return std::nullopt;
            if (size > 0)
                layout.pictures.push_back({offset, size, std::int32_t(layout.chunks)});
            ++layout.chunks;
        }
        offset += 8 + std::int64_t(size);
        // The demuxer goes on right after the data and passes over the pad
        // byte of an odd-sized chunk only when it cannot begin an id.
        if ((size & 1) && offset < fileSize) {
            const unsigned char* pad = window.at(offset, 1);
            if (!pad || *pad != 0)
                return std::nullopt;
            ++offset;
        }
    }
    return layout;
}
