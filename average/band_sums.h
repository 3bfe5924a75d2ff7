// Per-pixel sums and maxima of the blue bytes of one band of rows of a
// video's frames, and from them each pixel's mean with one occurrence of its
// largest value left out.
#pragma once

#include "video/blue_rows.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

class BandSums {
public:
    // The rows from `top` (counted from the top of the picture) on. `maxima`
    // is the band's part of a picture-sized array of zeros, which holds the
    // maxima and, once finished, the average; the sums are allocated with the
    // first frame added.
    BandSums(std::size_t top, std::size_t rows, std::size_t width, std::uint8_t* maxima);

    // Adds the band's rows of a picture that is shown `repeats` times in a
    // row. Rows whose blue is computed are put in `computedRow`, which has
    // room for a row.
    void add(const BlueRows& blue, std::uint64_t repeats, std::uint8_t* computedRow);

    // Turns the maxima into (sum - maximum) / (frames - 1) per pixel,
    // truncated; zero for fewer than two frames. After all adding.
    void finish();

private:
    void allocate();
    void flushRecent();
    template <typename Work>
    void withSums(Work work);

    std::size_t top_;
    std::size_t rows_;
    std::size_t width_;
    // The arrays hold the top row first, the order in which decoders leave
    // pictures in memory: pictures and sums are both read forwards, which
    // the processor's prefetching serves best.
    // Single frames are first summed in 16 bits, which holds 257 frames of
    // 255, and then moved into the wide sums: the per-frame pass touches two
    // bytes of sums per pixel instead of four or eight.
    std::unique_ptr<std::uint16_t[]> recent_;
    std::uint32_t recentFrames_ = 0;
    // 32-bit sums, widened to 64 bits once the frame count could make them
    // overflow; allocated when first needed (never, for up to 257 frames
    // each shown once).
    std::variant<std::vector<std::uint32_t>, std::vector<std::uint64_t>> sums_;
    std::uint8_t* maxima_;
    std::uint64_t frames_ = 0;
};
