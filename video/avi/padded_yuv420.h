// Planar 4:2:0 pictures (I420, IYUV, YV12) as some AVI writers store them
// (GStreamer's avimux, for one): every row of every plane padded to four
// bytes, and the luma plane an even number of rows high. FFmpeg reads a chunk
// as unpadded planes, which garbles such a picture wherever the padding is
// not empty (widths that are not a multiple of 8, odd heights).
#pragma once

#include "video/ffmpeg_raii.h"

#include <cstdint>

class PaddedYuv420 {
public:
    PaddedYuv420(int height, int width);

    // Whether a chunk of this many bytes holds a padded picture, one that
    // differs from the unpadded layout.
    bool holds(std::int64_t bytes) const { return bytes == paddedBytes_ && paddedBytes_ != tightBytes_; }

    // The picture of a chunk that holds() accepts, with the padding taken
    // out: the planes as FFmpeg reads them, with the chunk's timing.
    PacketPtr unpadded(const AVPacket& chunk) const;

private:
    int width_;
    int height_;
    int chromaWidth_;
    int chromaHeight_;
    std::int64_t paddedBytes_;
    std::int64_t tightBytes_;
};
