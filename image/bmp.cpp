// The 8-bit greyscale BMP layout:
//   0  BITMAPFILEHEADER (14 bytes)
//  14  BITMAPINFOHEADER (40 bytes)
//  54  palette, 256 entries of blue, green, red, 0 with entry i = grey level i
// 1078 the rows, the bottom row of the picture first (the height is positive:
//      a bottom-up bitmap), each padded with zero bytes to a multiple of four
#include "image/bmp.h"

namespace {

constexpr std::uint32_t fileHeaderSize = 14;
constexpr std::uint32_t infoHeaderSize = 40;
constexpr std::uint32_t paletteSize = 256 * 4;
constexpr std::uint32_t pixelOffset = fileHeaderSize + infoHeaderSize + paletteSize;
constexpr std::uint32_t pixelsPerMetre = 2835;  // 72 dots per inch

void putU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    putU16(out, std::uint16_t(value));
    putU16(out, std::uint16_t(value >> 16));
}

}  // namespace

std::size_t bmpSize(const GreyImage& image)
{
    const std::size_t width = std::uint32_t(image.width);
    return pixelOffset + (width + (-width & 3)) * std::uint32_t(image.height);
}

void encodeBmp(const GreyImage& image, const ByteSink& sink)
{
    const std::uint32_t width = std::uint32_t(image.width);
    const std::uint32_t height = std::uint32_t(image.height);
    const std::uint32_t padding = -width & 3;
    const std::uint32_t pixelBytes = std::uint32_t(bmpSize(image)) - pixelOffset;

    std::vector<std::uint8_t> headers;
    headers.reserve(pixelOffset);
    headers.push_back('B');
    headers.push_back('M');
    putU32(headers, pixelOffset + pixelBytes);
    putU16(headers, 0);
    putU16(headers, 0);
    putU32(headers, pixelOffset);

    putU32(headers, infoHeaderSize);
    putU32(headers, width);
    putU32(headers, height);
    putU16(headers, 1);  // planes
    putU16(headers, 8);  // bits per pixel
    putU32(headers, 0);  // BI_RGB, uncompressed
    putU32(headers, pixelBytes);
    putU32(headers, pixelsPerMetre);
    putU32(headers, pixelsPerMetre);
    putU32(headers, 256);  // palette entries used
    putU32(headers, 0);    // all of them important

    for (int level = 0; level < 256; ++level)
        headers.insert(headers.end(), {std::uint8_t(level), std::uint8_t(level), std::uint8_t(level), 0});
    sink(headers.data(), headers.size());

    const std::uint8_t zeros[3] = {};
    for (std::uint32_t row = height; row-- > 0;) {
        sink(image.pixels.data() + std::size_t(row) * width, width);
        if (padding)
            sink(zeros, padding);
    }
}
