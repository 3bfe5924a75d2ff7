// The blue bytes of decoded pictures of any pixel format, with the colour
// matrix and range the stream signals (BT.601 limited range when it signals
// none). RGB pictures with 8-bit blue are read where they are; the blue of
// 8-bit YUV is computed by our own kernel a row at a time, as each row is
// asked for; everything else goes through swscale into 24-bit rows.
#pragma once

#include "video/blue_from_yuv.h"
#include "video/blue_rows.h"
#include "video/ffmpeg_raii.h"
#include "video/picture_area.h"

#include <cstdint>
#include <optional>
#include <vector>

struct AVCodecParameters;
struct AVPixFmtDescriptor;

class PictureToBlue {
public:
    // The parameters' colour description serves pictures that carry none.
    explicit PictureToBlue(const AVCodecParameters& parameters);

    // The blue of an area of the picture (the one shownArea gives), valid
    // until the next call and while the picture lives; null when its format
    // cannot be converted. Throws std::runtime_error if swscale wrote past
    // the end of its buffer.
    const BlueRows* convert(const AVFrame& picture, PictureArea area);

private:
    struct Colours {
        int colorspace;
        bool fullRange;
        bool operator==(const Colours&) const = default;
    };
    Colours coloursOf(const AVFrame& picture) const;
    std::uint8_t* buffer(std::size_t stride, int height);
    std::optional<BluePlane> scale(const AVFrame& picture, const AVPixFmtDescriptor& format, PictureArea area);
    bool prepareScaler(const AVFrame& picture, const AVPixFmtDescriptor& format);

    int defaultColorspace_;
    int defaultRange_;
    // swscale's rows top-down, then canary bytes that nothing may touch.
    std::vector<std::uint8_t> storage_;
    std::size_t used_ = 0;
    SwsContextPtr scaler_;
    // The last picture's blue, one or the other.
    std::optional<BluePlane> plane_;
    std::optional<YuvBlue> computed_;
    // What scaler_ was made for.
    int format_ = -1;
    int width_ = 0;
    int height_ = 0;
    Colours colours_{-1, false};
};
