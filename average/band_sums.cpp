#include "average/band_sums.h"

#include "system/processor.h"

#include <algorithm>
#include <limits>
#include <memory>

namespace {

// What a pass over a row does with each pixel's blue byte: adds it into the
// pixel's sum and maximum, or stores it as both. A band's first picture,
// shown once, is stored: no pass zeroes the arrays before it, and each of
// their pages is first touched by a write, which the system serves with one
// fault (a read first takes two: the zero page, then a page of its own).
enum class Pass { add, store };

template <Pass pass, typename Sum>
[[gnu::always_inline]] inline void passOverRun(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue,
                                               std::size_t width, std::ptrdiff_t step, Sum repeats)
{
    for (std::size_t j = 0; j < width; ++j) {
        const std::uint8_t value = blue[step * std::ptrdiff_t(j)];
        if constexpr (pass == Pass::store) {
            sums[j] = value;
            maxima[j] = value;
        } else {
            sums[j] += repeats * value;
            maxima[j] = std::max(maxima[j], value);
        }
    }
}

// The steps blue bytes come at (a plane, 24- and 32-bit pixels) each get a
// loop of their own with the step a constant, so that each is vectorised.
// Single frames go into 16-bit sums with the constant 1, which leaves no
// multiplication.
template <Pass pass, typename Sum>
[[gnu::always_inline]] inline void passOverRow(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue,
                                               std::size_t width, std::ptrdiff_t step, Sum repeats)
{
    if constexpr (sizeof(Sum) == 2)
        repeats = 1;
    switch (step) {
    case 1:
        return passOverRun<pass>(sums, maxima, blue, width, 1, repeats);
    case 3:
        return passOverRun<pass>(sums, maxima, blue, width, 3, repeats);
    case 4:
        return passOverRun<pass>(sums, maxima, blue, width, 4, repeats);
    default:
        return passOverRun<pass>(sums, maxima, blue, width, step, repeats);
    }
}

template <typename Sum>
using RowPass = void (*)(Sum*, std::uint8_t*, const std::uint8_t*, std::size_t, std::ptrdiff_t, Sum);

template <Pass pass, typename Sum>
void rowPassPlain(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue, std::size_t width, std::ptrdiff_t step,
                  Sum repeats)
{
    passOverRow<pass>(sums, maxima, blue, width, step, repeats);
}

// The same loops, vectorised with AVX2.
template <Pass pass, typename Sum>
TARGET_AVX2 void rowPassAvx2(Sum* sums, std::uint8_t* maxima, const std::uint8_t* blue, std::size_t width,
                             std::ptrdiff_t step, Sum repeats)
{
    passOverRow<pass>(sums, maxima, blue, width, step, repeats);
}

template <Pass pass, typename Sum>
const RowPass<Sum> rowPass = kernelFor<RowPass<Sum>>(rowPassPlain<pass, Sum>, rowPassAvx2<pass, Sum>);

// Frames of 255 that a 16-bit and a 32-bit sum hold.
constexpr std::uint32_t recentLimit = std::numeric_limits<std::uint16_t>::max() / 255;
constexpr std::uint64_t narrowLimit = std::numeric_limits<std::uint32_t>::max() / 255;

}  // namespace

BandSums::BandSums(std::size_t top, std::size_t rows, std::size_t width, std::uint8_t* maxima)
    : top_(top), rows_(rows), width_(width), maxima_(maxima)
{
}

void BandSums::allocate() { recent_ = std::make_unique_for_overwrite<std::uint16_t[]>(rows_ * width_); }

template <typename Work>
void BandSums::withSums(Work work)
{
    std::visit(
        [&](auto& sums) {
            if (sums.empty())
                sums.resize(rows_ * width_);
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
    std::fill_n(recent_.get(), rows_ * width_, 0);
    recentFrames_ = 0;
}

void BandSums::add(const BlueRows& blue, std::uint64_t repeats, std::uint8_t* computedRow)
{
    const bool first = frames_ == 0;
    if (first)
        allocate();
    if (auto* narrow = std::get_if<std::vector<std::uint32_t>>(&sums_); narrow && frames_ + repeats > narrowLimit)
        sums_ = std::vector<std::uint64_t>(narrow->begin(), narrow->end());
    const auto passOverRows = [&](auto pass, auto* sums, auto repeated) {
        for (std::size_t row = 0; row < rows_; ++row) {
            const BlueRow bytes = blue.row(std::int32_t(top_ + row), computedRow);
            pass(sums + row * width_, maxima_ + row * width_, bytes.bytes, width_, bytes.step, repeated);
        }
    };
    if (repeats == 1) {
        if (recentFrames_ == recentLimit)
            flushRecent();
        passOverRows(first ? rowPass<Pass::store, std::uint16_t> : rowPass<Pass::add, std::uint16_t>, recent_.get(),
                     std::uint16_t(1));
        ++recentFrames_;
    } else {
        if (first)
            std::fill_n(recent_.get(), rows_ * width_, 0);
        withSums([&](auto& sums) {
            using Sum = typename std::decay_t<decltype(sums)>::value_type;
            passOverRows(rowPass<Pass::add, Sum>, sums.data(), Sum(repeats));
        });
    }
    frames_ += repeats;
}

void BandSums::finish()
{
    if (frames_ < 2) {
        std::fill_n(maxima_, rows_ * width_, 0);
        return;
    }
    std::visit(
        [&](const auto& sums) {
            const bool wide = !sums.empty();
            for (std::size_t j = 0; j < rows_ * width_; ++j)
                maxima_[j] = std::uint8_t(((wide ? sums[j] : 0) + recent_[j] - maxima_[j]) / (frames_ - 1));
        },
        sums_);
}
