#include "image/bmp.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

namespace {

GreyImage countingImage(int height, int width, std::uint8_t first = 1)
{
    GreyImage image{height, width, std::vector<std::uint8_t>(std::size_t(height) * std::size_t(width))};
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = std::uint8_t(first + i);
    return image;
}

std::vector<std::uint8_t> encoded(const GreyImage& image)
{
    std::vector<std::uint8_t> bytes;
    encodeBmp(image, [&](const std::uint8_t* piece, std::size_t size) { bytes.insert(bytes.end(), piece, piece + size); });
    return bytes;
}

}  // namespace

// The file as other programs and scripts expect it, byte for byte.
TEST(BmpEncoder, TheBytesOfASmallImage)
{
    std::vector<std::uint8_t> golden = {
        'B', 'M', 0x46, 0x04, 0, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0,  // file size 1094, pixels at 1078
        40, 0, 0, 0, 5, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0,             // 5 x 2, bottom-up, 1 plane, 8 bits
        0, 0, 0, 0, 16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0,  // uncompressed, 16 bytes, 72 dpi
        0, 1, 0, 0, 0, 0, 0, 0,                                       // 256 colours used, all important
    };
    for (int level = 0; level < 256; ++level)
        golden.insert(golden.end(), {std::uint8_t(level), std::uint8_t(level), std::uint8_t(level), 0});
    golden.insert(golden.end(), {6, 7, 8, 9, 10, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0});  // bottom row first
    EXPECT_EQ(encoded(countingImage(2, 5)), golden);
}

// Every width's padding, as an independent reader (FFmpeg's) sees it.
TEST(BmpEncoder, FFmpegReadsEveryWidthBack)
{
    ScratchDirectory directory;
    for (int width = 1; width <= 9; ++width)
        for (int height : {1, 3}) {
            const GreyImage image = countingImage(height, width, std::uint8_t(7 * width));
            writeFile(directory / "image.bmp", encoded(image));
            EXPECT_EQ(bmpPixels(directory / "image.bmp"), image.pixels) << width << "x" << height;
        }
}
