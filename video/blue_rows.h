// A decoded picture's blue bytes, row by row from the top, as decoders leave
// pictures in memory.
#pragma once

#include <cstddef>
#include <cstdint>

// A row's blue bytes, `step` bytes apart: 1 in a plane of blue bytes, the
// pixel size within packed pixels (3 for 24-bit, 4 for 32-bit).
struct BlueRow {
    const std::uint8_t* bytes;
    std::ptrdiff_t step;
};

// A picture's blue bytes, one row at a time: where they lie, or computed when
// a row is asked for.
class BlueRows {
public:
    BlueRows(std::int32_t height, std::int32_t width) : height_(height), width_(width) {}

    std::int32_t height() const { return height_; }
    std::int32_t width() const { return width_; }

    // Row r, counted from the top. A row that is computed is written into
    // `scratch`, which has room for width() bytes, and comes with step 1.
    virtual BlueRow row(std::int32_t r, std::uint8_t* scratch) const = 0;

protected:
    ~BlueRows() = default;

private:
    std::int32_t height_;
    std::int32_t width_;
};

// Blue bytes that lie in memory: the blue of the pixel in row r, counted from
// the top, and column c is at top + r * stride + c * step. The stride is
// negative where the rows lie bottom-up in memory.
class BluePlane final : public BlueRows {
public:
    BluePlane(const std::uint8_t* top, std::ptrdiff_t step, std::ptrdiff_t stride, std::int32_t height,
              std::int32_t width)
        : BlueRows(height, width), top_(top), step_(step), stride_(stride)
    {
    }

    BlueRow row(std::int32_t r, std::uint8_t*) const override { return {top_ + r * stride_, step_}; }

private:
    const std::uint8_t* top_;
    std::ptrdiff_t step_;
    std::ptrdiff_t stride_;
};
