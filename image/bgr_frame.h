#pragma once

#include <cstddef>
#include <cstdint>

// A frame of 24-bit rows, bottom row first: the blue, green and red bytes of
// the pixel in row r, column c are at pixels + r * stride + 3 * c.
struct BgrFrame {
    const std::uint8_t* pixels;
    std::size_t stride;
};
