#pragma once

#include <cstddef>
#include <cstdint>

// The blue bytes of a picture, wherever they lie: the blue of the pixel in
// row r, counted from the bottom, and column c is at
// pixels + r * stride + c * step. The step is 1 for a plane of blue bytes and
// the pixel size within packed pixels (3 for 24-bit, 4 for 32-bit); the
// stride is negative when the rows lie top-down in memory.
struct BluePlane {
    const std::uint8_t* pixels;
    std::ptrdiff_t step;
    std::ptrdiff_t stride;
    std::int32_t width;
    std::int32_t height;
};
