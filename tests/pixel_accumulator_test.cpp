#include "average/pixel_accumulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

namespace {

// One row of 24-bit pixels with the given blue values; green and red hold
// other values, which must be ignored.
std::vector<std::uint8_t> bgrRow(const std::vector<std::uint8_t>& blue)
{
    std::vector<std::uint8_t> row;
    for (std::uint8_t value : blue)
        row.insert(row.end(), {value, std::uint8_t(255 - value), 99});
    return row;
}

void add(PixelAccumulator& accumulator, const std::vector<std::uint8_t>& row, std::uint64_t repeats = 1)
{
    accumulator.add(BluePlane{row.data(), 3, std::ptrdiff_t(row.size()), 1, std::int32_t(row.size() / 3)}, repeats);
}

std::vector<std::uint8_t> result(PixelAccumulator& accumulator) { return std::move(accumulator).average(); }

// Pictures of one row, each shown `repeats` times in a row, added `times`
// times.
struct Pictures {
    std::vector<std::uint8_t> blue;
    std::uint64_t repeats = 1;
    int times = 1;
};

}  // namespace

// (sum - maximum) / (frames - 1) per pixel, truncated: one occurrence of the
// largest value left out; zero for fewer than two frames; a picture shown n
// times in a row counts as n pictures, also past what 32 bits hold.
TEST(PixelAccumulator, LeavesOutOneOccurrenceOfTheLargestValue)
{
    const std::vector<std::uint8_t> first = {3, 250, 17, 0, 99}, second = {254, 1, 17, 255, 100},
                                     third = {9, 9, 200, 128, 98};
    const struct {
        std::vector<Pictures> runs;
        std::vector<std::uint8_t> expected;
    } cases[] = {
        {{{{10}}, {{20}}, {{30}}}, {15}},
        {{{{10}}, {{30}}, {{30}}}, {20}},  // only one 30 is left out
        {{{{1}}, {{2}, 1, 3}}, {1}},       // 5 / 3, truncated
        {{{{200}}, {{7}}}, {7}},           // two frames: the smaller value
        {{{{255}, 1, 3}}, {255}},
        {{{{0}, 1, 4}}, {0}},
        {{}, {0}},
        {{{{200}}}, {0}},
        {{{first, 1, 3}, {second}, {third, 1, 2}}, {5, 103, 53, 51, 98}},
        {{{first, 3}, {second}, {third, 2}}, {5, 103, 53, 51, 98}},
        // (255 * 2e9 + 10 * 2e9 - 255) / (4e9 - 1): sums past 32 bits
        {{{{10}, 10}, {{255}, 2'000'000'000}, {{10}, 1'999'999'990}}, {132}},
    };
    for (const auto& c : cases) {
        PixelAccumulator sums(1, std::int32_t(c.expected.size()));
        for (const Pictures& run : c.runs)
            for (int i = 0; i < run.times; ++i)
                add(sums, bgrRow(run.blue), run.repeats);
        EXPECT_EQ(result(sums), c.expected) << c.runs.size() << " runs, expecting " << int(c.expected[0]);
    }
}

TEST(PixelAccumulator, TakesTheBlueByteOfEachPixelRowByRow)
{
    // Two rows of five pixels, sixteen bytes apart: the last byte of each row
    // is padding.
    const std::vector<std::uint8_t> first = {
        1, 90, 90, 2, 90, 90, 3, 90, 90, 4, 90, 90, 5, 90, 90, 250,
        6, 90, 90, 7, 90, 90, 8, 90, 90, 9, 90, 90, 10, 90, 90, 250};
    std::vector<std::uint8_t> second = first;
    for (std::size_t i = 0; i < second.size(); i += 3)
        second[i] += 100;
    PixelAccumulator accumulator(2, 5);
    accumulator.add(BluePlane{first.data(), 3, 16, 2, 5}, 1);
    accumulator.add(BluePlane{second.data(), 3, 16, 2, 5}, 1);
    EXPECT_EQ(result(accumulator), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(PixelAccumulator, LongRunsOfSingleFramesKeepExactSums)
{
    // More frames of 255 than a 16-bit sum holds, added one at a time, and
    // then repeated ones, which go straight into the wide sums.
    const auto bright = bgrRow({255, 0});
    const auto dark = bgrRow({3, 255});
    for (bool repeatsAfter : {false, true}) {
        PixelAccumulator sums(1, 2);
        for (int i = 0; i < 600; ++i)
            add(sums, bright);
        for (int i = 0; i < 400; ++i)
            add(sums, dark);
        for (int i = 0; i < (repeatsAfter ? 300 : 0); ++i)
            add(sums, bright, i % 2 + 1);
        // (600 * 255 + 400 * 3 - 255) / 999 and (400 * 255 - 255) / 999; with
        // the repeats (1050 * 255 + 400 * 3 - 255) / 1449 and (400 * 255 - 255) / 1449
        const std::vector<std::uint8_t> expected = repeatsAfter ? std::vector<std::uint8_t>{185, 70}
                                                                : std::vector<std::uint8_t>{154, 101};
        EXPECT_EQ(result(sums), expected);
    }
}

// Threads adding pictures of many bands at once, some repeated, give each
// pixel its (sum - maximum) / (frames - 1).
TEST(PixelAccumulator, ThreadsAddingAtOnceGiveTheExactMean)
{
    constexpr int width = 1001, height = 300, pictures = 48, threads = 8;
    std::vector<std::vector<std::uint8_t>> planes(pictures, std::vector<std::uint8_t>(width * height));
    std::uint32_t state = 12345;
    for (auto& plane : planes)
        for (auto& byte : plane)
            byte = std::uint8_t((state = state * 1103515245 + 12345) >> 23);
    PixelAccumulator sums(height, width);
    {
        std::vector<std::jthread> adders;
        for (int t = 0; t < threads; ++t)
            adders.emplace_back([&, t] {
                for (int i = t; i < pictures; i += threads)
                    sums.add(BluePlane{planes[i].data(), 1, width, height, width}, std::uint64_t(i % 3 + 1));
            });
    }
    std::vector<std::uint8_t> expected(width * height);
    for (std::size_t j = 0; j < expected.size(); ++j) {
        std::uint64_t sum = 0, frames = 0;
        std::uint8_t largest = 0;
        for (int i = 0; i < pictures; ++i) {
            sum += std::uint64_t(i % 3 + 1) * planes[i][j];
            frames += std::uint64_t(i % 3 + 1);
            largest = std::max(largest, planes[i][j]);
        }
        expected[j] = std::uint8_t((sum - largest) / (frames - 1));
    }
    EXPECT_EQ(result(sums), expected);
}
