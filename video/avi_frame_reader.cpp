#include "avi_frame_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// 8K video has 33 million pixels; a header that claims more lies, and
// believing it could cost gigabytes.
constexpr std::int64_t maximumPixels = std::int64_t(1) << 25;

std::string openFailure(HRESULT result)
{
    switch (result) {
    case AVIERR_FILEOPEN:
        return errno != 0 ? std::strerror(errno) : "cannot open file";
    case AVIERR_NODATA:
        return "no video stream";
    case AVIERR_BADFORMAT:
        return "not a video file";
    case AVIERR_FILEREAD:
        return "cannot read the file";
    case AVIERR_MEMORY:
        return "out of memory";
    default:
        return "cannot open video stream";
    }
}

// The codec's four-character code, for messages, when it is printable.
std::string codecName(DWORD fourcc)
{
    std::string name;
    for (int shift = 0; shift < 32; shift += 8) {
        char c = char(fourcc >> shift);
        if (c < ' ' || c > '~')
            return {};
        name += c;
    }
    return name;
}

}  // namespace

AviFrameReader::AviFrameReader(const LocalFile& file)
{
    PAVISTREAM stream = nullptr;
    errno = 0;
    HRESULT opened = AVIStreamOpenFromDescriptor(&stream, file.descriptor(), file.name().c_str(), 0);
    stream_.reset(stream);
    if (opened != AVIERR_OK || !stream)
        throw std::runtime_error(openFailure(opened));

    AVISTREAMINFOA info{};
    if (AVIStreamInfoA(stream, &info, sizeof info) != AVIERR_OK)
        throw std::runtime_error("cannot read the video stream's header");
    const std::int64_t width = std::int64_t(info.rcFrame.right) - info.rcFrame.left;
    const std::int64_t height = std::int64_t(info.rcFrame.bottom) - info.rcFrame.top;
    if (width <= 0 || height <= 0 || width * height > maximumPixels)
        throw std::runtime_error("unusable frame size " + std::to_string(width) + "x" + std::to_string(height));
    width_ = std::int32_t(width);
    height_ = std::int32_t(height);
    frameCount_ = std::max<LONG>(AVIStreamLength(stream), 0);

    frames_.reset(AVIStreamGetFrameOpen(stream, nullptr));
    if (!frames_) {
        std::string codec = codecName(info.fccHandler);
        throw std::runtime_error(codec.empty() ? "no decoder for this video" : "no decoder for codec '" + codec + "'");
    }
}

std::optional<BgrFrame> AviFrameReader::readFrame(std::int32_t k)
{
    const auto* bitmap = static_cast<const std::uint8_t*>(AVIStreamGetFrame(frames_.get(), k));
    if (!bitmap)
        return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bitmap, sizeof header);
    if (header.biBitCount != 24 || header.biCompression != BI_RGB || header.biWidth != width_ ||
        header.biHeight != height_)
        return std::nullopt;

    // The pixels follow the header and its colour table; rows are padded to
    // four bytes.
    return BgrFrame{bitmap + header.biSize + 4 * std::size_t(header.biClrUsed),
                    (3 * std::size_t(width_) + 3) & ~std::size_t(3)};
}

std::int32_t AviFrameReader::framesShowing(std::int32_t k)
{
    LONG next = AVIStreamFindSample(stream_.get(), k + 1, FIND_NEXT | FIND_ANY);
    return std::max((next < 0 ? frameCount_ : next) - k, 1);
}

std::int32_t AviFrameReader::nextKeyFrame(std::int32_t k)
{
    return AVIStreamFindSample(stream_.get(), k, FIND_NEXT | FIND_KEY);
}
