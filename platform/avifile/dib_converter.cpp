#include "dib_converter.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace {

constexpr std::size_t pixelAlignment = 64;

}  // namespace

DibConverter::DibConverter(int width, int height) : width_(width), height_(height), stride_((3 * width + 3) & ~3) {}

// The bitmap's memory is taken with the first picture, so that a header that
// claims a huge size costs nothing unless its pictures really decode.
void DibConverter::allocate()
{
    storage_.resize(sizeof(BITMAPINFOHEADER) + std::size_t(stride_) * std::size_t(height_) + pixelAlignment);
    // Place the header so that the rows behind it start on an aligned address,
    // which lets swscale use its fastest code paths.
    auto address = reinterpret_cast<std::uintptr_t>(storage_.data()) + sizeof(BITMAPINFOHEADER);
    bitmap_ = storage_.data() + (pixelAlignment - address % pixelAlignment) % pixelAlignment;

    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width_;
    header.biHeight = height_;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(stride_) * DWORD(height_);
    std::memcpy(bitmap_, &header, sizeof header);
}

// Makes the scaler for the picture's format and size, once for all the
// pictures alike. (sws_getCachedContext would rebuild it for every picture in
// a full-range JPEG format, which swscale records under another name.)
bool DibConverter::prepareScaler(const AVFrame& picture)
{
    if (scaler_ && picture.format == sourceFormat_ && picture.width == sourceWidth_ &&
        picture.height == sourceHeight_ && picture.color_range == sourceRange_)
        return true;
    // The decoder may deliver another size than the stream header states;
    // the bitmap always has the header's size.
    scaler_.reset(sws_getContext(picture.width, picture.height, AVPixelFormat(picture.format), width_, height_,
                                 AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scaler_)
        return false;
    if (picture.color_range == AVCOL_RANGE_JPEG) {
        // Full-range YUV in a format that does not say so itself.
        int* inverseTable;
        int* table;
        int sourceFull, destinationFull, brightness, contrast, saturation;
        if (sws_getColorspaceDetails(scaler_.get(), &inverseTable, &sourceFull, &table, &destinationFull,
                                     &brightness, &contrast, &saturation) >= 0)
            sws_setColorspaceDetails(scaler_.get(), inverseTable, 1, table, destinationFull, brightness, contrast,
                                     saturation);
    }
    sourceFormat_ = picture.format;
    sourceWidth_ = picture.width;
    sourceHeight_ = picture.height;
    sourceRange_ = picture.color_range;
    return true;
}

const BITMAPINFOHEADER* DibConverter::convert(const AVFrame& picture)
{
    if (!prepareScaler(picture))
        return nullptr;
    if (storage_.empty())
        allocate();

    // Decoded pictures are top-down; writing the last bitmap row first with a
    // negative stride turns them into the bottom-up order of the bitmap.
    std::uint8_t* lastRow = bitmap_ + sizeof(BITMAPINFOHEADER) + std::size_t(stride_) * (height_ - 1);
    std::uint8_t* destination[4] = {lastRow, nullptr, nullptr, nullptr};
    const int destinationStride[4] = {-stride_, 0, 0, 0};
    if (sws_scale(scaler_.get(), picture.data, picture.linesize, 0, picture.height, destination,
                  destinationStride) != height_)
        return nullptr;
    return reinterpret_cast<const BITMAPINFOHEADER*>(bitmap_);
}
