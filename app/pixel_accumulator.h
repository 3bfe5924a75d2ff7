// Per-pixel sums and maxima over the frames of a video, and from them each
// pixel's mean with one occurrence of its largest value left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

class PixelAccumulator {
public:
    explicit PixelAccumulator(std::size_t pixels);

    // Adds a frame that is shown `repeats` times in a row.
    void add(const std::uint8_t* frame, std::uint64_t repeats);

    // Takes in what another accumulator gathered over other frames of the
    // same video.
    void merge(const PixelAccumulator& other);

    std::uint64_t frames() const { return frames_; }

    // (sum - maximum) / (frames - 1) per pixel, truncated; all zero for fewer
    // than two frames. Each result lies in 0..255.
    void finish(std::uint8_t* result) const;

private:
    void makeRoomFor(std::uint64_t frames);

    // 32-bit sums halve the memory traffic per frame; they are widened to
    // 64 bits once the frame count could make them overflow.
    std::variant<std::vector<std::uint32_t>, std::vector<std::uint64_t>> sums_;
    std::vector<std::uint8_t> maxima_;
    std::uint64_t frames_ = 0;
};
