#include "app/pixel_accumulator.h"

#include <algorithm>
#include <limits>
#include <type_traits>

namespace {

// One pass over a row: each pixel's blue byte goes into its sum and its
// maximum.
template <typename Sum>
[[gnu::always_inline]] inline void addBlueRunTo(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue,
                                               std::size_t width, std::ptrdiff_t step, Sum repeats)
{
    for (std::size_t j = 0; j < width; ++j) {
        sums[j] += repeats * blue[step * std::ptrdiff_t(j)];
        maxima[j] = std::max(maxima[j], blue[step * std::ptrdiff_t(j)]);
    }
}

// The steps blue bytes come at (a plane, 24- and 32-bit pixels) each get a
// loop of their own with the step a constant, so that each is vectorised.
template <typename Sum>
[[gnu::always_inline]] inline void addBlueRowTo(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue,
                                               std::size_t width, std::ptrdiff_t step, Sum repeats)
{
    switch (step) {
    case 1:
        return addBlueRunTo(sums, maxima, blue, width, 1, repeats);
    case 3:
        return addBlueRunTo(sums, maxima, blue, width, 3, repeats);
    case 4:
        return addBlueRunTo(sums, maxima, blue, width, 4, repeats);
    default:
        return addBlueRunTo(sums, maxima, blue, width, step, repeats);
    }
}

// The per-frame work, built for AVX2 and for the baseline processor; the
// first call asks the processor which it runs (a run-time choice, since
// Windows executables have no loader-time one). Single frames go into 16-bit
// sums (the constant 1 leaves no multiplication), runs of one picture into
// the wide sums.
template <typename Sum>
[[gnu::target("avx2")]] void addBlueRowAvx2(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue,
                                            std::size_t width, std::ptrdiff_t step, Sum repeats)
{
    addBlueRowTo(sums, maxima, blue, width, step, std::is_same_v<Sum, std::uint16_t> ? Sum(1) : repeats);
}

template <typename Sum>
void addBlueRowBaseline(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue, std::size_t width,
                        std::ptrdiff_t step, Sum repeats)
{
    addBlueRowTo(sums, maxima, blue, width, step, std::is_same_v<Sum, std::uint16_t> ? Sum(1) : repeats);
}

template <typename Sum>
void addBlueRow(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue, std::size_t width, std::ptrdiff_t step,
                std::type_identity_t<Sum> repeats = 1)
{
    static const auto kernel = __builtin_cpu_supports("avx2") ? addBlueRowAvx2<Sum> : addBlueRowBaseline<Sum>;
    kernel(sums, maxima, blue, width, step, repeats);
}

// Frames of 255 that a 16-bit and a 32-bit sum hold.
constexpr std::uint32_t recentLimit = std::numeric_limits<std::uint16_t>::max() / 255;
constexpr std::uint64_t narrowLimit = std::numeric_limits<std::uint32_t>::max() / 255;

}  // namespace

PixelAccumulator::PixelAccumulator(std::int32_t height, std::int32_t width)
    : height_(std::size_t(height)), width_(std::size_t(width))
{
}

void PixelAccumulator::allocate()
{
    recent_.resize(height_ * width_);
    maxima_.resize(height_ * width_);
    computedRow_.resize(width_);
}

void PixelAccumulator::makeRoomFor(std::uint64_t frames)
{
    auto* narrow = std::get_if<std::vector<std::uint32_t>>(&sums_);
    if (!narrow || frames <= narrowLimit)
        return;
    sums_ = std::vector<std::uint64_t>(narrow->begin(), narrow->end());
}

template <typename Work>
void PixelAccumulator::withSums(Work work)
{
    std::visit(
        [&](auto& sums) {
            if (sums.empty())
                sums.resize(height_ * width_);
            work(sums);
        },
        sums_);
}

void PixelAccumulator::flushRecent()
{
    withSums([&](auto& sums) {
        for (std::size_t j = 0; j < sums.size(); ++j)
            sums[j] += recent_[j];
    });
    std::fill(recent_.begin(), recent_.end(), 0);
    recentFrames_ = 0;
}

void PixelAccumulator::add(const BlueRows& blue, std::uint64_t repeats)
{
    if (frames_ == 0)
        allocate();
    makeRoomFor(frames_ + repeats);
    const auto rowAt = [&](std::size_t top) { return blue.row(std::int32_t(height_ - 1 - top), computedRow_.data()); };
    if (repeats == 1) {
        if (recentFrames_ == recentLimit)
            flushRecent();
        for (std::size_t top = 0; top < height_; ++top) {
            const BlueRow row = rowAt(top);
            addBlueRow(recent_.data() + top * width_, maxima_.data() + top * width_, row.bytes, width_, row.step);
        }
        ++recentFrames_;
        ++frames_;
        return;
    }
    withSums([&](auto& sums) {
        for (std::size_t top = 0; top < height_; ++top) {
            const BlueRow row = rowAt(top);
            addBlueRow(sums.data() + top * width_, maxima_.data() + top * width_, row.bytes, width_, row.step, repeats);
        }
    });
    frames_ += repeats;
}

void PixelAccumulator::merge(PixelAccumulator&& other)
{
    if (other.frames_ == 0)
        return;
    if (frames_ == 0) {
        *this = std::move(other);
        return;
    }
    makeRoomFor(frames_ + other.frames_);
    if (recentFrames_ + other.recentFrames_ > recentLimit)
        flushRecent();
    for (std::size_t j = 0; j < recent_.size(); ++j) {
        recent_[j] = std::uint16_t(recent_[j] + other.recent_[j]);
        maxima_[j] = std::max(maxima_[j], other.maxima_[j]);
    }
    recentFrames_ += other.recentFrames_;
    std::visit(
        [&](const auto& others) {
            if (!others.empty())
                withSums([&](auto& sums) {
                    for (std::size_t j = 0; j < sums.size(); ++j)
                        sums[j] += others[j];
                });
        },
        other.sums_);
    frames_ += other.frames_;
}

void PixelAccumulator::finish(std::uint8_t* result) const
{
    std::visit(
        [&](const auto& sums) {
            if (frames_ < 2) {
                std::fill_n(result, height_ * width_, 0);
                return;
            }
            const bool wide = !sums.empty();
            for (std::size_t top = 0; top < height_; ++top) {
                std::uint8_t* row = result + (height_ - 1 - top) * width_;
                for (std::size_t j = top * width_; j < (top + 1) * width_; ++j)
                    *row++ = std::uint8_t(((wide ? sums[j] : 0) + recent_[j] - maxima_[j]) / (frames_ - 1));
            }
        },
        sums_);
}
