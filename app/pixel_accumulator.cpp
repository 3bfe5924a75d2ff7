#include "pixel_accumulator.h"

#include <algorithm>

PixelAccumulator::PixelAccumulator(std::size_t pixels) : sums_(pixels), maxima_(pixels) {}

void PixelAccumulator::add(const std::uint8_t* frame, std::uint64_t repeats)
{
    const std::size_t pixels = sums_.size();
    std::uint64_t* sums = sums_.data();
    std::uint8_t* maxima = maxima_.data();
    for (std::size_t j = 0; j < pixels; ++j) {
        sums[j] += repeats * frame[j];
        maxima[j] = std::max(maxima[j], frame[j]);
    }
    frames_ += repeats;
}

void PixelAccumulator::merge(const PixelAccumulator& other)
{
    for (std::size_t j = 0; j < sums_.size(); ++j) {
        sums_[j] += other.sums_[j];
        maxima_[j] = std::max(maxima_[j], other.maxima_[j]);
    }
    frames_ += other.frames_;
}

void PixelAccumulator::finish(std::uint8_t* result) const
{
    if (frames_ < 2) {
        std::fill_n(result, sums_.size(), 0);
        return;
    }
    for (std::size_t j = 0; j < sums_.size(); ++j)
        result[j] = std::uint8_t((sums_[j] - maxima_[j]) / (frames_ - 1));
}
