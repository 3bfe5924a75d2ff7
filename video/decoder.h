// A video stream's decoder: coded pictures in, pictures out in display order.
#pragma once

#include "video/ffmpeg_raii.h"

#include <functional>

struct AVPacket;
struct AVStream;

class Decoder {
public:
    // threads: 0 lets FFmpeg use as many as it finds useful, 1 keeps the
    // decoder on its caller's thread. Throws std::runtime_error when the
    // stream's codec cannot be decoded, or an uncompressed stream's size
    // cannot be believed.
    Decoder(const AVStream& stream, int threads);

    // Sends a coded picture (null at the end, to drain the pictures the
    // decoder still holds) and hands every picture that comes out to `take`.
    // Returns 0, or FFmpeg's error.
    int decode(const AVPacket* packet, const std::function<void(const AVFrame&)>& take);

    // Whether a picture was refused for its size (over 2^25 pixels); FFmpeg
    // then forgets the size it had.
    bool refusedPictureSize() const;

private:
    CodecContextPtr context_;
    FramePtr picture_;
    bool hadSize_ = false;
};
