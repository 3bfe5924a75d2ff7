// Per-pixel sums and maxima of the blue bytes of a video's frames, which any
// number of threads add pictures to at once, and from them each pixel's mean
// with one occurrence of its largest value left out.
#pragma once

#include "average/band_sums.h"
#include "video/blue_rows.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class PixelAccumulator {
public:
    PixelAccumulator(std::int32_t height, std::int32_t width);

    // Adds a picture of the accumulator's size that is shown `repeats` (at
    // least 1) times in a row. Safe to call from several threads at once.
    void add(const BlueRows& blue, std::int64_t repeats);

    std::int32_t height() const { return std::int32_t(height_); }
    std::int32_t width() const { return std::int32_t(width_); }

    // (sum - maximum) / (frames - 1) per pixel, truncated, in height rows of
    // width bytes, top row first; all zero for fewer than two frames. After
    // all adding, once: the average takes the maxima's place. The bands are
    // shared among up to `threads` threads.
    std::vector<std::uint8_t> average(unsigned threads = 1) &&;

private:
    // The sums are kept in bands of rows, each with a lock of its own: threads
    // add their pictures band by band, each taking the bands no other thread
    // holds, so that they wait for each other only when every band they have
    // left is taken. A sum or a maximum does not depend on the order in which
    // pictures are added, so the result is the same for any number of
    // threads.
    struct Band {
        Band(std::size_t top, std::size_t rows, std::size_t width, std::uint8_t* maxima)
            : sums(top, rows, width, maxima)
        {
        }
        std::mutex lock;
        BandSums sums;
    };

    std::size_t height_;
    std::size_t width_;
    // Every band's maxima, one picture's worth, which become the average:
    // the result takes no memory of its own.
    std::vector<std::uint8_t> maxima_;
    std::deque<Band> bands_;
};
