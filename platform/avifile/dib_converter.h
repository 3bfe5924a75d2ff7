// Converts decoded pictures of any pixel format into one packed bitmap:
// a BITMAPINFOHEADER followed by 24-bit blue-green-red rows, bottom-up,
// each row padded to four bytes.
#pragma once

#include "avifile.h"
#include "ffmpeg_raii.h"

#include <cstdint>
#include <vector>

class DibConverter {
public:
    DibConverter(int width, int height);

    // Returns null when the picture cannot be converted. The bitmap stays
    // valid until the next call.
    const BITMAPINFOHEADER* convert(const AVFrame& picture);

private:
    void allocate();
    bool prepareScaler(const AVFrame& picture);

    int width_;
    int height_;
    int stride_;
    std::vector<std::uint8_t> storage_;
    std::uint8_t* bitmap_ = nullptr;  // inside storage_, placed so that the pixels are aligned
    SwsContextPtr scaler_;
    // What scaler_ was made for.
    int sourceFormat_ = -1;
    int sourceWidth_ = 0;
    int sourceHeight_ = 0;
    int sourceRange_ = 0;
};
