#include "video/avi/bit_fields.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/intreadwrite.h>
}

#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

constexpr std::uint32_t bitFields = 3;  // the format's compression: BI_BITFIELDS

// What the stream's format (a BITMAPINFOHEADER or a later version, each
// with the masks at the same place) says of its pixels.
struct BitmapFormat {
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::optional<std::array<std::uint32_t, 3>> masks;  // red, green, blue
};

// What a strf chunk says; none where it is too short to say it.
std::optional<BitmapFormat> readFormat(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.size() < 40)
        return std::nullopt;
    BitmapFormat format{std::int32_t(AV_RL32(&bytes[8])) < 0, bytes[14] | bytes[15] << 8, AV_RL32(&bytes[16]),
                        std::nullopt};
    if (bytes.size() >= 52)
        format.masks = {AV_RL32(&bytes[40]), AV_RL32(&bytes[44]), AV_RL32(&bytes[48])};
    return format;
}

AVPixelFormat pixelFormatOf(const BitmapFormat& format)
{
    using Masks = std::array<std::uint32_t, 3>;
    if (!format.masks && format.bitCount == 16)
        return AV_PIX_FMT_RGB565LE;
    if (!format.masks)
        throw std::runtime_error("no colour masks for its " + std::to_string(format.bitCount) + "-bit pixels");
    if (format.bitCount == 32 && *format.masks == Masks{0x00FF0000, 0x0000FF00, 0x000000FF})
        return AV_PIX_FMT_BGR0;
    if (format.bitCount == 16 && *format.masks == Masks{0xF800, 0x07E0, 0x001F})
        return AV_PIX_FMT_RGB565LE;
    if (format.bitCount == 16 && *format.masks == Masks{0x7C00, 0x03E0, 0x001F})
        return AV_PIX_FMT_RGB555LE;
    char masks[64];
    std::snprintf(masks, sizeof masks, "red %08X, green %08X, blue %08X", (*format.masks)[0], (*format.masks)[1],
                  (*format.masks)[2]);
    throw std::runtime_error("unsupported colour masks " + std::string(masks) + " for " +
                             std::to_string(format.bitCount) + "-bit pixels");
}

}  // namespace

void describeBitFields(const std::vector<std::uint8_t>& strf, AVStream& stream)
{
    AVCodecParameters& parameters = *stream.codecpar;
    if (parameters.codec_id != AV_CODEC_ID_RAWVIDEO || parameters.codec_tag != bitFields)
        return;
    const std::optional<BitmapFormat> format = readFormat(strf);
    if (!format || format->compression != bitFields)
        return;
    parameters.format = pixelFormatOf(*format);
    // As FFmpeg's AVI demuxer describes uncompressed bitmaps: no code, and
    // "BottomUp" in the extra data of those whose rows are stored bottom-up.
    parameters.codec_tag = 0;
    av_freep(&parameters.extradata);
    parameters.extradata_size = 0;
    if (format->topDown)
        return;
    static constexpr char bottomUp[] = "BottomUp";
    parameters.extradata = static_cast<std::uint8_t*>(av_mallocz(sizeof bottomUp + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!parameters.extradata)
        throw std::bad_alloc();
    std::memcpy(parameters.extradata, bottomUp, sizeof bottomUp);
    parameters.extradata_size = sizeof bottomUp;
}
