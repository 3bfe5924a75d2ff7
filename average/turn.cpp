#include "average/turn.h"

GreyImage turned(GreyImage image, int quarterTurns, bool mirrored)
{
    if (quarterTurns == 0 && !mirrored)
        return image;
    const bool sideways = quarterTurns % 2 != 0;
    const std::int32_t width = image.width;
    const std::int32_t height = image.height;
    GreyImage result{sideways ? width : height, sideways ? height : width,
                     std::vector<std::uint8_t>(image.pixels.size())};
    for (std::int32_t y = 0; y < result.height; ++y)
        for (std::int32_t x = 0; x < result.width; ++x) {
            // Where the pixel comes from in the mirrored image.
            std::int32_t column = x;
            std::int32_t row = y;
            switch (quarterTurns) {
            case 1:
                column = y;
                row = height - 1 - x;
                break;
            case 2:
                column = width - 1 - x;
                row = height - 1 - y;
                break;
            case 3:
                column = width - 1 - y;
                row = x;
                break;
            }
            if (mirrored)
                column = width - 1 - column;
            result.pixels[std::size_t(y) * std::size_t(result.width) + std::size_t(x)] =
                image.pixels[std::size_t(row) * std::size_t(width) + std::size_t(column)];
        }
    return result;
}
