#include "picture_converter.h"

extern "C" {
#include <libavcodec/codec_par.h>
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::size_t alignment = 64;
constexpr std::size_t canarySize = 64;
constexpr std::uint8_t canary = 0xA5;

constexpr std::size_t alignUp(std::size_t value, std::size_t to) { return (value + to - 1) / to * to; }

// swscale's fast paths convert rows in blocks of up to 16 pixels and may
// write a whole block past the end of a row, and past the last row; with
// rows of whole blocks on 64-byte boundaries every write lands in the row.
std::size_t strideFor(int width) { return alignUp(3 * alignUp(std::size_t(width), 16), alignment); }

// Full-range YUV formats that say so in their name rather than in a flag.
bool isJpegFormat(int format)
{
    return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
           format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
}

// Whether the format's pixels are colour differences (or luma alone) that a
// matrix and a range turn into red, green and blue.
bool isYuv(int format)
{
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(AVPixelFormat(format));
    return descriptor && !(descriptor->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL));
}

}  // namespace

PictureConverter::PictureConverter(const AVCodecParameters& parameters)
    : defaultColorspace_(parameters.color_space), defaultRange_(parameters.color_range)
{
}

void PictureConverter::allocate(int width, int height)
{
    stride_ = strideFor(width);
    storage_.assign(stride_ * std::size_t(height) + canarySize + alignment, canary);
    const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
    rows_ = storage_.data() + (alignment - address % alignment) % alignment;
}

// Makes the scaler for the picture's format, size and colours, once for all
// the pictures alike.
bool PictureConverter::prepareScaler(const AVFrame& picture)
{
    const int colorspace = picture.colorspace != AVCOL_SPC_UNSPECIFIED ? picture.colorspace : defaultColorspace_;
    const int range = picture.color_range != AVCOL_RANGE_UNSPECIFIED ? picture.color_range : defaultRange_;
    if (scaler_ && picture.format == format_ && picture.width == width_ && picture.height == height_ &&
        colorspace == colorspace_ && range == range_)
        return true;
    scaler_.reset(sws_getContext(picture.width, picture.height, AVPixelFormat(picture.format), picture.width,
                                 picture.height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler_)
        return false;
    if (isYuv(picture.format)) {
        // Unknown matrices (and "unspecified") give BT.601's coefficients.
        const bool fullRange = range == AVCOL_RANGE_JPEG || isJpegFormat(picture.format);
        if (sws_setColorspaceDetails(scaler_.get(), sws_getCoefficients(colorspace), fullRange,
                                     sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16) < 0)
            return false;
    }
    if (picture.width != width_ || picture.height != height_)
        allocate(picture.width, picture.height);
    format_ = picture.format;
    width_ = picture.width;
    height_ = picture.height;
    colorspace_ = colorspace;
    range_ = range;
    return true;
}

std::optional<BgrFrame> PictureConverter::convert(const AVFrame& picture)
{
    if (!prepareScaler(picture))
        return std::nullopt;
    std::uint8_t* destination[4] = {rows_, nullptr, nullptr, nullptr};
    const int destinationStride[4] = {int(stride_), 0, 0, 0};
    const int rows = sws_scale(scaler_.get(), picture.data, picture.linesize, 0, picture.height, destination,
                               destinationStride);
    const std::uint8_t* end = rows_ + stride_ * std::size_t(height_);
    if (std::any_of(end, end + canarySize, [](std::uint8_t byte) { return byte != canary; }))
        throw std::runtime_error("internal error: the picture conversion wrote past its buffer");
    if (rows != height_)
        return std::nullopt;
    // Decoded pictures are top-down; the frame is read from its last row up.
    return BgrFrame{rows_ + stride_ * std::size_t(height_ - 1), -std::ptrdiff_t(stride_), width_, height_};
}
