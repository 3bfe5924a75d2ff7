#pragma once

#include <cstddef>
#include <cstdint>

// A picture as rows of blue, green and red bytes, bottom row first: the
// bytes of the pixel in row r (counted from the bottom), column c are at
// pixels + r * stride + 3 * c. The stride is negative when the rows lie
// top-down in memory.
struct BgrFrame {
    const std::uint8_t* pixels;
    std::ptrdiff_t stride;
    std::int32_t width;
    std::int32_t height;
};
