#include "video/picture_to_blue.h"

#include "video/blue_from_yuv.h"

extern "C" {
#include <libavcodec/codec_par.h>
#include <libavutil/frame.h>
#include <libavutil/macros.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::size_t alignment = 64;
constexpr std::size_t canarySize = 64;
constexpr std::uint8_t canary = 0xA5;


// Full-range YUV formats that say so in their name rather than in a flag.
bool isJpegFormat(int format)
{
    return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
           format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
}

// The blue bytes of an area of rows that lie `stride` bytes apart from `top`,
// those of a pixel `step` bytes apart.
BluePlane window(const std::uint8_t* top, std::ptrdiff_t step, std::ptrdiff_t stride, PictureArea area)
{
    return BluePlane{top + area.top * stride + area.left * step, step, stride, area.height, area.width};
}

// Pictures whose blue is a byte in place: RGB with 8-bit blue, and greyscale
// (its grey is its blue).
std::optional<BluePlane> blueInPlace(const AVFrame& picture, const AVPixFmtDescriptor& format, PictureArea area)
{
    const bool rgb = format.flags & AV_PIX_FMT_FLAG_RGB;
    const bool grey = format.nb_components == 1 && !(format.flags & AV_PIX_FMT_FLAG_PAL);
    if (!(rgb || grey) || (format.flags & AV_PIX_FMT_FLAG_BITSTREAM))
        return std::nullopt;
    const AVComponentDescriptor& blue = format.comp[rgb ? 2 : 0];
    if (blue.depth != 8 || blue.shift != 0 || (blue.step != 1 && blue.step != 3 && blue.step != 4))
        return std::nullopt;
    return window(picture.data[blue.plane] + blue.offset, blue.step, picture.linesize[blue.plane], area);
}

}  // namespace

PictureToBlue::PictureToBlue(const AVCodecParameters& parameters)
    : defaultColorspace_(parameters.color_space), defaultRange_(parameters.color_range)
{
}

const BlueRows* PictureToBlue::convert(const AVFrame& picture, PictureArea area)
{
    plane_.reset();
    computed_.reset();
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(AVPixelFormat(picture.format));
    if (!format || picture.width <= 0 || picture.height <= 0)
        return nullptr;
    if (hasBlueKernel(*format)) {
        const Colours colours = coloursOf(picture);
        return &computed_.emplace(picture, *format, blueFactors(colours.colorspace, colours.fullRange), area);
    }
    plane_ = blueInPlace(picture, *format, area);
    if (!plane_)
        plane_ = scale(picture, *format, area);
    return plane_ ? &*plane_ : nullptr;
}

PictureToBlue::Colours PictureToBlue::coloursOf(const AVFrame& picture) const
{
    const int colorspace = picture.colorspace != AVCOL_SPC_UNSPECIFIED ? picture.colorspace : defaultColorspace_;
    const int range = picture.color_range != AVCOL_RANGE_UNSPECIFIED ? picture.color_range : defaultRange_;
    return {colorspace, range == AVCOL_RANGE_JPEG || isJpegFormat(picture.format)};
}

// The rows (top-down, `stride` bytes apart, on 64-byte boundaries), followed
// by the canary.
std::uint8_t* PictureToBlue::buffer(std::size_t stride, int height)
{
    used_ = stride * std::size_t(height);
    if (storage_.size() < used_ + canarySize + alignment)
        storage_.assign(used_ + canarySize + alignment, canary);
    const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
    return storage_.data() + (alignment - address % alignment) % alignment;
}

// Makes the scaler for the picture's format, size and colours, once for all
// the pictures alike.
bool PictureToBlue::prepareScaler(const AVFrame& picture, const AVPixFmtDescriptor& format)
{
    const Colours colours = coloursOf(picture);
    if (scaler_ && picture.format == format_ && picture.width == width_ && picture.height == height_ &&
        colours == colours_)
        return true;
    scaler_.reset(sws_getContext(picture.width, picture.height, AVPixelFormat(picture.format), picture.width,
                                 picture.height, AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler_)
        return false;
    if (!(format.flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL))) {
        // Unknown matrices (and "unspecified") give BT.601's coefficients.
        if (sws_setColorspaceDetails(scaler_.get(), sws_getCoefficients(colours.colorspace), colours.fullRange,
                                     sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16) < 0)
            return false;
    }
    format_ = picture.format;
    width_ = picture.width;
    height_ = picture.height;
    colours_ = colours;
    return true;
}

// swscale's fast paths convert rows in blocks of up to 16 pixels and may
// write a whole block past the end of a row, and past the last row; with
// rows of whole blocks on 64-byte boundaries every write lands in the row,
// and the canary after the last row shows if one does not. The whole picture
// is converted, so that the chroma of subsampled formats stays with its
// pixels whatever column the area starts at.
std::optional<BluePlane> PictureToBlue::scale(const AVFrame& picture, const AVPixFmtDescriptor& format,
                                              PictureArea area)
{
    if (!prepareScaler(picture, format))
        return std::nullopt;
    const std::size_t stride = FFALIGN(3 * FFALIGN(std::size_t(picture.width), 16), alignment);
    std::uint8_t* rows = buffer(stride, picture.height);
    std::uint8_t* end = rows + used_;
    std::fill_n(end, canarySize, canary);
    std::uint8_t* destination[4] = {rows, nullptr, nullptr, nullptr};
    const int destinationStride[4] = {int(stride), 0, 0, 0};
    const int converted =
        sws_scale(scaler_.get(), picture.data, picture.linesize, 0, picture.height, destination, destinationStride);
    if (std::any_of(end, end + canarySize, [](std::uint8_t byte) { return byte != canary; }))
        throw std::runtime_error("internal error: the picture conversion wrote past its buffer");
    if (converted != picture.height)
        return std::nullopt;
    return window(rows, 3, std::ptrdiff_t(stride), area);
}
