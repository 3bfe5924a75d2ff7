#include "app/band_sums.h"

#include <algorithm>
#include <limits>

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
// Single frames go into 16-bit sums with the constant 1, which leaves no
// multiplication.
template <typename Sum>
[[gnu::always_inline]] inline void addBlueRowTo(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue,
                                               std::size_t width, std::ptrdiff_t step, Sum repeats)
{
    if constexpr (sizeof(Sum) == 2)
        repeats = 1;
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

template <typename Sum>
using RowAdder = void (*)(Sum*, std::uint8_t*, const std::uint8_t*, std::size_t, std::ptrdiff_t, Sum);

template <typename Sum>
void addBlueRow(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue, std::size_t width, std::ptrdiff_t step,
                Sum repeats)
{
    addBlueRowTo(sums, maxima, blue, width, step, repeats);
}

#if defined(__x86_64__)
template <typename Sum>
[[gnu::target("avx2")]] void addBlueRowAvx2(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue,
                                            std::size_t width, std::ptrdiff_t step, Sum repeats)
{
    addBlueRowTo(sums, maxima, blue, width, step, repeats);
}
#endif

// The per-frame work, vectorised with AVX2 where the processor has it.
template <typename Sum>
RowAdder<Sum> rowAdder()
{
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx2"))
        return addBlueRowAvx2<Sum>;
#endif
    return addBlueRow<Sum>;
}

template <typename Sum>
const RowAdder<Sum> addRow = rowAdder<Sum>();

// Frames of 255 that a 16-bit and a 32-bit sum hold.
constexpr std::uint32_t recentLimit = std::numeric_limits<std::uint16_t>::max() / 255;
constexpr std::uint64_t narrowLimit = std::numeric_limits<std::uint32_t>::max() / 255;

}  // namespace

BandSums::BandSums(std::size_t top, std::size_t rows, std::size_t width) : top_(top), rows_(rows), width_(width) {}

void BandSums::allocate()
{
    recent_ = ZeroedArray<std::uint16_t>(rows_ * width_);
    maxima_ = ZeroedArray<std::uint8_t>(rows_ * width_);
}

template <typename Work>
void BandSums::withSums(Work work)
{
    std::visit(
        [&](auto& sums) {
            if (sums.empty())
                sums = std::decay_t<decltype(sums)>(rows_ * width_);
            work(sums);
        },
        sums_);
}

void BandSums::flushRecent()
{
    withSums([&](auto& sums) {
        for (std::size_t j = 0; j < sums.size(); ++j)
            sums[j] += recent_[j];
    });
    std::fill_n(recent_.data(), recent_.size(), 0);
    recentFrames_ = 0;
}

void BandSums::add(const BlueRows& blue, std::uint64_t repeats, std::uint8_t* computedRow)
{
    if (frames_ == 0)
        allocate();
    if (auto* narrow = std::get_if<ZeroedArray<std::uint32_t>>(&sums_); narrow && frames_ + repeats > narrowLimit) {
        ZeroedArray<std::uint64_t> wide(narrow->size());
        std::copy_n(narrow->data(), narrow->size(), wide.data());
        sums_ = std::move(wide);
    }
    const auto addRows = [&](auto* sums, auto repeated) {
        for (std::size_t row = 0; row < rows_; ++row) {
            const BlueRow bytes = blue.row(std::int32_t(top_ + row), computedRow);
            addRow<decltype(repeated)>(sums + row * width_, maxima_.data() + row * width_, bytes.bytes, width_,
                                       bytes.step, repeated);
        }
    };
    if (repeats == 1) {
        if (recentFrames_ == recentLimit)
            flushRecent();
        addRows(recent_.data(), std::uint16_t(1));
        ++recentFrames_;
    } else {
        withSums([&](auto& sums) { addRows(sums.data(), typename std::decay_t<decltype(sums)>::value_type(repeats)); });
    }
    frames_ += repeats;
}

void BandSums::finish(std::uint8_t* image) const
{
    std::visit(
        [&](const auto& sums) {
            const bool wide = !sums.empty();
            for (std::size_t row = 0; row < rows_; ++row) {
                std::uint8_t* pixel = image + (top_ + row) * width_;
                if (frames_ < 2) {
                    std::fill_n(pixel, width_, 0);
                    continue;
                }
                for (std::size_t j = row * width_; j < (row + 1) * width_; ++j)
                    *pixel++ = std::uint8_t(((wide ? sums[j] : 0) + recent_[j] - maxima_[j]) / (frames_ - 1));
            }
        },
        sums_);
}
