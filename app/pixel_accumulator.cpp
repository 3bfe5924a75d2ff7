#include "pixel_accumulator.h"

#include <algorithm>
#include <limits>

namespace {

template <typename Sum>
[[gnu::always_inline]] inline void addFrameTo(Sum* sums, std::uint8_t* maxima, const std::uint8_t* frame,
                                             std::size_t pixels, Sum repeats)
{
    for (std::size_t j = 0; j < pixels; ++j) {
        sums[j] += repeats * frame[j];
        maxima[j] = std::max(maxima[j], frame[j]);
    }
}

// The per-frame work. Each is built for AVX2 and for the baseline processor;
// the loader picks the one the machine runs.
[[gnu::target_clones("avx2", "default")]] void addFrame(std::uint32_t* sums, std::uint8_t* maxima,
                                                        const std::uint8_t* frame, std::size_t pixels,
                                                        std::uint32_t repeats)
{
    addFrameTo(sums, maxima, frame, pixels, repeats);
}

[[gnu::target_clones("avx2", "default")]] void addFrame(std::uint64_t* sums, std::uint8_t* maxima,
                                                        const std::uint8_t* frame, std::size_t pixels,
                                                        std::uint64_t repeats)
{
    addFrameTo(sums, maxima, frame, pixels, repeats);
}

// Frames of 255 that a 32-bit sum holds.
constexpr std::uint64_t narrowLimit = std::numeric_limits<std::uint32_t>::max() / 255;

}  // namespace

PixelAccumulator::PixelAccumulator(std::size_t pixels) : sums_(std::vector<std::uint32_t>(pixels)), maxima_(pixels) {}

void PixelAccumulator::makeRoomFor(std::uint64_t frames)
{
    auto* narrow = std::get_if<std::vector<std::uint32_t>>(&sums_);
    if (!narrow || frames <= narrowLimit)
        return;
    sums_ = std::vector<std::uint64_t>(narrow->begin(), narrow->end());
}

void PixelAccumulator::add(const std::uint8_t* frame, std::uint64_t repeats)
{
    makeRoomFor(frames_ + repeats);
    std::visit([&](auto& sums) { addFrame(sums.data(), maxima_.data(), frame, sums.size(), repeats); }, sums_);
    frames_ += repeats;
}

void PixelAccumulator::merge(const PixelAccumulator& other)
{
    makeRoomFor(frames_ + other.frames_);
    std::visit(
        [&](auto& sums, const auto& others) {
            for (std::size_t j = 0; j < sums.size(); ++j) {
                sums[j] += others[j];
                maxima_[j] = std::max(maxima_[j], other.maxima_[j]);
            }
        },
        sums_, other.sums_);
    frames_ += other.frames_;
}

void PixelAccumulator::finish(std::uint8_t* result) const
{
    std::visit(
        [&](const auto& sums) {
            if (frames_ < 2) {
                std::fill_n(result, sums.size(), 0);
                return;
            }
            for (std::size_t j = 0; j < sums.size(); ++j)
                result[j] = std::uint8_t((sums[j] - maxima_[j]) / (frames_ - 1));
        },
        sums_);
}
