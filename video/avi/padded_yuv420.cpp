#include "video/avi/padded_yuv420.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/macros.h>
}

#include <new>

PaddedYuv420::PaddedYuv420(int height, int width)
    : width_(width), height_(height), chromaWidth_((width + 1) / 2), chromaHeight_((height + 1) / 2),
      paddedBytes_(std::int64_t(FFALIGN(width, 4)) * 2 * chromaHeight_ +
                   2 * std::int64_t(FFALIGN(chromaWidth_, 4)) * chromaHeight_),
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
        const int stored = FFALIGN(plane.width, 4);
        av_image_copy_plane(to, plane.width, from, stored, plane.width, plane.rows);
        to += std::ptrdiff_t(plane.width) * plane.rows;
        from += std::ptrdiff_t(stored) * plane.storedRows;
    }
    return tight;
}
