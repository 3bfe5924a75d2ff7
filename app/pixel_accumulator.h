// Per-pixel sums and maxima of the blue bytes of a video's frames, and from
// them each pixel's mean with one occurrence of its largest value left out.
#pragma once

#include "video/blue_plane.h"

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

class PixelAccumulator {
public:
    // The arrays are allocated with the first frame added.
    PixelAccumulator(std::int32_t height, std::int32_t width);

    // Adds a picture of the accumulator's size that is shown `repeats` times
    // in a row.
    void add(const BlueRows& blue, std::uint64_t repeats);

    // Takes in what another accumulator gathered over other frames of the
    // same video.
    void merge(PixelAccumulator&& other);

    std::int32_t height() const { return std::int32_t(height_); }
    std::int32_t width() const { return std::int32_t(width_); }

    // (sum - maximum) / (frames - 1) per pixel, truncated, into height rows of
    // width bytes; all zero for fewer than two frames.
    void finish(std::uint8_t* result) const;

private:
    void allocate();
    void makeRoomFor(std::uint64_t frames);
    void flushRecent();
    template <typename Work>
    void withSums(Work work);

    std::size_t height_;
    std::size_t width_;
    // The arrays hold the top row first, the order in which decoders leave
    // pictures in memory: pictures and sums are both read forwards, which
    // the processor's prefetching serves best.
    // Single frames are first summed in 16 bits, which holds 257 frames of
    // 255, and then moved into the wide sums: the per-frame pass touches two
    // bytes of sums per pixel instead of four or eight.
    std::vector<std::uint16_t> recent_;
    std::uint32_t recentFrames_ = 0;
    // 32-bit sums, widened to 64 bits once the frame count could make them
    // overflow; allocated when first needed (never, for up to 257 frames
    // each shown once).
    std::variant<std::vector<std::uint32_t>, std::vector<std::uint64_t>> sums_;
    std::vector<std::uint8_t> maxima_;
    std::uint64_t frames_ = 0;
    // Where the rows of pictures whose blue is computed are put.
    std::vector<std::uint8_t> computedRow_;
};
