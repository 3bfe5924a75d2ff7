// A video stream's decoder: coded pictures in, pictures out in display order.
#pragma once

#include "video/ffmpeg_raii.h"
#include "video/avi/padded_yuv420.h"

#include <cstdint>
#include <functional>
#include <optional>

struct AVCodecParameters;
struct AVPacket;
struct AVStream;

// Whether the codec codes every picture on its own (MJPEG, uncompressed,
// HuffYUV, ...), as FFmpeg's codec properties say.
bool codesPicturesAlone(const AVCodecParameters& parameters);

// Whether a decoder with threads of its own pays off: for codecs whose
// pictures depend on each other, where FFmpeg's decoder has threads, on
// pictures from 640x360 on. On smaller ones threads cost more than they
// save, and a caller does better reading other files meanwhile.
bool decoderThreadsPayOff(const AVCodecParameters& parameters);

class Decoder {
public:
    // Throws std::runtime_error when the size a stream's header states cannot
    // be believed: it is what uncompressed pictures have, and what a video
    // without pictures gives.
    static void checkHeaderSize(const AVCodecParameters& parameters);

    // threads: 0 lets FFmpeg use as many as it finds useful, 1 keeps the
    // decoder on its caller's thread. Throws std::runtime_error when the
    // stream's codec cannot be decoded, or an uncompressed stream's size
    // cannot be believed.
    Decoder(const AVStream& stream, int threads);

    // Sends a coded picture (null at the end, to drain the pictures the
    // decoder still holds) and hands every picture that comes out to `take`.
    // Returns 0, or FFmpeg's error; AVERROR_INVALIDDATA for an uncompressed
    // picture longer than the stream's size and format allow, and for a
    // picture coded on its own that the decoder logged an error for.
    int decode(const AVPacket* packet, const std::function<void(const AVFrame&)>& take);

    // The pixel format of the pictures to come, as far as the decoder knows
    // it before decoding one (an AVPixelFormat; AV_PIX_FMT_NONE when not).
    int pixelFormat() const;

    // Whether a picture was refused for its size (over 2^25 pixels); FFmpeg
    // then forgets the size it had.
    bool refusedPictureSize() const;

private:
    CodecContextPtr context_;
    FramePtr picture_;
    bool hadSize_ = false;
    bool intraOnly_ = false;
    std::optional<std::int64_t> largestPicture_;  // in bytes, for uncompressed pictures
    std::optional<PaddedYuv420> paddedPlanes_;    // for uncompressed 4:2:0 pictures
};
