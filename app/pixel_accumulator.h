// Per-pixel sums and maxima of the blue bytes of a video's frames, which any
// number of threads add pictures to at once, and from them each pixel's mean
// with one occurrence of its largest value left out.
#pragma once

#include "app/band_sums.h"
#include "video/blue_rows.h"

#include <cstdint>
#include <deque>
#include <mutex>

class PixelAccumulator {
public:
    PixelAccumulator(std::int32_t height, std::int32_t width);

    // Adds a picture of the accumulator's size that is shown `repeats` times
    // in a row. Safe to call from several threads at once.
    void add(const BlueRows& blue, std::uint64_t repeats);

    std::int32_t height() const { return std::int32_t(height_); }
    std::int32_t width() const { return std::int32_t(width_); }

    // (sum - maximum) / (frames - 1) per pixel, truncated, into height rows of
    // width bytes; all zero for fewer than two frames. After all adding; the
    // bands are shared among up to `threads` threads.
    void finish(std::uint8_t* result, unsigned threads = 1) const;

private:
    // The sums are kept in bands of rows, each with a lock of its own: threads
    // add their pictures band by band, each taking the bands no other thread
    // holds, so that they wait for each other only when every band they have
    // left is taken. A sum or a maximum does not depend on the order in which
    // pictures are added, so the result is the same for any number of
    // threads.
    struct Band {
        Band(std::size_t top, std::size_t rows, std::size_t width) : sums(top, rows, width) {}
        std::mutex lock;
        BandSums sums;
    };

    std::size_t height_;
    std::size_t width_;
    std::deque<Band> bands_;
};
