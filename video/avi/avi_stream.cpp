#include "video/avi/avi_stream.h"

#include "video/avi/bit_fields.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstring>

namespace {

// The palette of a picture whose format carries none: each index read as a
// grey level, the largest index white.
std::vector<std::uint8_t> greyPalette(int bitsPerPixel)
{
    const std::uint32_t largest = (1u << bitsPerPixel) - 1;
    std::vector<std::uint32_t> entries(AVPALETTE_COUNT, 0xFF000000u);
    for (std::uint32_t index = 0; index <= largest; ++index)
        entries[index] |= (index * 255 / largest) * 0x010101u;
    std::vector<std::uint8_t> bytes(AVPALETTE_SIZE);
    std::memcpy(bytes.data(), entries.data(), bytes.size());
    return bytes;
}

}  // namespace

AviStream::AviStream(const LocalFile& file, AVFormatContext& format, AVStream& stream)
    : headers_(readAviHeaders(file, stream.index))
{
    format.flags |= AVFMT_FLAG_NOPARSE | AVFMT_FLAG_NOFILLIN;
    // Without this the demuxer hides empty chunks; with it each comes out as
    // a packet of size 0 in its place.
    stream.discard = AVDISCARD_NONE;
    describeBitFields(headers_.format, stream);
    // 1-bit pictures FFmpeg already shows black on white.
    const int bitsPerPixel = stream.codecpar->bits_per_coded_sample;
    if (bitsPerPixel >= 2 && bitsPerPixel <= 8)
        firstPalette_ = greyPalette(bitsPerPixel);
    if (const auto& count = headers_.index; count && count->trailingEmpty > 0)
        emptyIndexEntries_ = {count->entries - count->trailingEmpty, count->entries};
}

std::int64_t AviStream::end(std::int64_t afterChunks) const
{
    return afterChunks >= emptyIndexEntries_.first ? std::max(afterChunks, emptyIndexEntries_.second) : afterChunks;
}
