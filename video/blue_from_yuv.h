// The blue of 8-bit YUV pictures, with the matrix and range the stream
// signals: from luma and blue-difference chroma alone,
// blue = 255/219 (Y - 16) + (2 - 2 Kb) 255/224 (Cb - 128) in limited range,
// Y + (2 - 2 Kb) (Cb - 128) in full range; BT.2020's constant-luminance
// matrix scales Cb by one factor below zero and another above, and YCgCo's
// blue is Y - Cg - Co.
#pragma once

#include "video/blue_rows.h"
#include "video/picture_area.h"

#include <cstddef>
#include <cstdint>

struct AVFrame;
struct AVPixFmtDescriptor;

// The equation's factors, in fixed point with 13 fractional bits.
struct BlueFactors {
    std::int32_t luma;
    std::int32_t lumaOffset;
    std::int32_t chroma;       // of Cb - 128 (at or below zero)
    std::int32_t chromaAbove;  // of Cb - 128 above zero
    std::int32_t redChroma;    // of Cr - 128 (Co in YCgCo)
};

// For an AVColorSpace (BT.601 for those without a matrix of their own, and
// unspecified) and a range.
BlueFactors blueFactors(int colorspace, bool fullRange);

// Whether the format is one whose blue the kernel computes: 8-bit YUV, planar
// or semi-planar (NV12), or packed 4:2:2 (YUY2, UYVY), with chroma at full,
// half or quarter resolution (4:4:4, 4:2:2, 4:2:0, 4:4:0).
bool hasBlueKernel(const AVPixFmtDescriptor& format);

// The blue of an area of an 8-bit YUV picture of a format that hasBlueKernel
// accepts, computed a row at a time from the picture, which must outlive it.
class YuvBlue final : public BlueRows {
public:
    // Computes a row's blue from its luma and Cb samples.
    using RowFunction = void (*)(const std::uint8_t* y, const std::uint8_t* cb, std::uint8_t* blue, int width,
                                 BlueFactors factors);

    YuvBlue(const AVFrame& picture, const AVPixFmtDescriptor& format, BlueFactors factors, PictureArea area);

    BlueRow row(std::int32_t r, std::uint8_t* scratch) const override;

private:
    const std::uint8_t* samples(int component, int row, int column) const;
    void anyMatrixRow(int top, std::uint8_t* blue) const;

    const AVFrame& picture_;
    const AVPixFmtDescriptor& format_;
    PictureArea area_;
    RowFunction function_;  // null for the matrices Cb alone does not serve
    BlueFactors factors_;
};
