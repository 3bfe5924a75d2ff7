// A single-channel image, one byte per pixel.
#pragma once

#include <cstdint>
#include <vector>

// Pixel j is row j / width, column j % width; rows follow each other without
// gaps, the top row of the picture first.
struct GreyImage {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::vector<std::uint8_t> pixels;
};
