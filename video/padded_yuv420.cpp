#include "video/padded_yuv420.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstring>
#include <new>

namespace {

int paddedRow(int bytes) { return (bytes + 3) / 4 * 4; }

}  // namespace

PaddedYuv420::PaddedYuv420(int width, int height)
    : width_(width), height_(height), chromaWidth_((width + 1) / 2), chromaHeight_((height + 1) / 2),
      paddedBytes_(std::int64_t(paddedRow(width)) * 2 * chromaHeight_ +
                   2 * std::int64_t(paddedRow(chromaWidth_)) * chromaHeight_),
      tightBytes_(std::int64_t(width) * height + 2 * std::int64_t(chromaWidth_) * chromaHeight_)
{
}

PacketPtr PaddedYuv420::unpadded(const AVPacket& chunk) const
{
    PacketPtr tight(av_packet_alloc());
    if (!tight || av_new_packet(tight.get(), int(tightBytes_)) < 0 || av_packet_copy_props(tight.get(), &chunk) < 0)
        throw std::bad_alloc();
    const std::uint8_t* from = chunk.data;
    std::uint8_t* to = tight->data;
    // Luma, then the two chroma planes, each with its own padded rows.
    const struct { int width, rows, storedRows; } planes[] = {
        {width_, height_, 2 * chromaHeight_}, {chromaWidth_, chromaHeight_, chromaHeight_},
        {chromaWidth_, chromaHeight_, chromaHeight_}};
    for (const auto& plane : planes) {
        for (int row = 0; row < plane.rows; ++row)
            std::memcpy(to + std::ptrdiff_t(row) * plane.width, from + std::ptrdiff_t(row) * paddedRow(plane.width),
                        std::size_t(plane.width));
        to += std::ptrdiff_t(plane.width) * plane.rows;
        from += std::ptrdiff_t(paddedRow(plane.width)) * plane.storedRows;
    }
    return tight;
}
