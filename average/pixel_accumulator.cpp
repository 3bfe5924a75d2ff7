#include "average/pixel_accumulator.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

// Pixels in a band at most: its sums and maxima (three bytes a pixel) stay
// in the processor's second-level cache while a picture's rows are added.
constexpr std::size_t bandPixels = std::size_t(64) << 10;
// Bands in a picture at least, so that threads seldom find the bands they
// have left all taken.
constexpr std::size_t fewestBands = 16;

}  // namespace

PixelAccumulator::PixelAccumulator(std::int32_t height, std::int32_t width)
    : height_(std::size_t(height)), width_(std::size_t(width)), maxima_(height_ * width_)
{
    const std::size_t rows = std::clamp<std::size_t>(bandPixels / std::max<std::size_t>(width_, 1), 1,
                                                     std::max<std::size_t>(height_ / fewestBands, 1));
    for (std::size_t top = 0; top < height_; top += rows)
        bands_.emplace_back(top, std::min(rows, height_ - top), width_, maxima_.data() + top * width_);
}

void PixelAccumulator::add(const BlueRows& blue, std::int64_t repeats)
{
    std::vector<std::uint8_t> computedRow(width_);
    std::vector<bool> added(bands_.size());
    const auto addTo = [&](std::size_t b) {
        bands_[b].sums.add(blue, std::uint64_t(repeats), computedRow.data());
        added[b] = true;
    };
    for (auto left = std::ptrdiff_t(bands_.size()); left > 0;) {
        // The bands no other thread holds, in order.
        const std::ptrdiff_t before = left;
        for (std::size_t b = 0; b < bands_.size(); ++b) {
            if (added[b])
                continue;
            if (std::unique_lock lock(bands_[b].lock, std::try_to_lock); lock) {
                addTo(b);
                --left;
            }
        }
        // Every band left is taken: the first of them, once it is free.
        if (left == before) {
            const auto b = std::size_t(std::find(added.begin(), added.end(), false) - added.begin());
            std::lock_guard lock(bands_[b].lock);
            addTo(b);
            --left;
        }
    }
}

std::vector<std::uint8_t> PixelAccumulator::average(unsigned threads) &&
{
    std::atomic<std::size_t> next = 0;
    const auto finishBands = [&] {
        for (std::size_t b; (b = next++) < bands_.size();)
            bands_[b].sums.finish();
    };
    {
        std::vector<std::jthread> helpers;
        for (unsigned helper = 1; helper < std::min<std::size_t>(threads, bands_.size()); ++helper)
            helpers.emplace_back(finishBands);
        finishBands();
    }
    return std::move(maxima_);
}
