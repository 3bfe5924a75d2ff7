// Converts decoded pictures of any pixel format into 24-bit blue-green-red
// rows, with the colour matrix and range the stream signals (BT.601 limited
// range when it signals none).
#pragma once

#include "bgr_frame.h"
#include "ffmpeg_raii.h"

#include <cstdint>
#include <optional>
#include <vector>

struct AVCodecParameters;

class PictureConverter {
public:
    // The parameters' colour description serves pictures that carry none.
    explicit PictureConverter(const AVCodecParameters& parameters);

    // The picture converted, valid until the next call; none when it cannot
    // be converted. Throws std::runtime_error if the conversion wrote past the
    // end of its buffer.
    std::optional<BgrFrame> convert(const AVFrame& picture);

private:
    bool prepareScaler(const AVFrame& picture);
    void allocate(int width, int height);

    int defaultColorspace_;
    int defaultRange_;
    SwsContextPtr scaler_;
    // What scaler_ was made for.
    int format_ = -1;
    int width_ = 0;
    int height_ = 0;
    int colorspace_ = -1;
    int range_ = -1;
    // Rows top-down at a stride that leaves swscale room to work in blocks,
    // then canary bytes that it must not touch.
    std::vector<std::uint8_t> storage_;
    std::uint8_t* rows_ = nullptr;
    std::size_t stride_ = 0;
};
