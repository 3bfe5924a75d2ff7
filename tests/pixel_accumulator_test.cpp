#include "app/pixel_accumulator.h"

#include <gtest/gtest.h>

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
    accumulator.add(BluePlane{row.data(), 3, std::ptrdiff_t(row.size()), std::int32_t(row.size() / 3), 1}, repeats);
}

std::vector<std::uint8_t> result(const PixelAccumulator& accumulator, std::size_t pixels)
{
    std::vector<std::uint8_t> bytes(pixels, 77);
    accumulator.finish(bytes.data());
    return bytes;
}

// Averages one pixel over the given values.
int averageOf(const std::vector<std::uint8_t>& values)
{
    PixelAccumulator accumulator(1, 1);
    for (std::uint8_t value : values)
        add(accumulator, bgrRow({value}));
    return result(accumulator, 1)[0];
}

}  // namespace

TEST(PixelAccumulator, LeavesOutOneOccurrenceOfTheLargestValue)
{
    EXPECT_EQ(averageOf({10, 20, 30}), 15);
    EXPECT_EQ(averageOf({10, 30, 30}), 20);
    EXPECT_EQ(averageOf({1, 2, 2, 2}), 1);  // 5 / 3, truncated
    EXPECT_EQ(averageOf({200, 7}), 7);      // two frames: the smaller value
    EXPECT_EQ(averageOf({255, 255, 255}), 255);
    EXPECT_EQ(averageOf({0, 0, 0, 0}), 0);
}

TEST(PixelAccumulator, FewerThanTwoFramesGiveZero)
{
    EXPECT_EQ(averageOf({}), 0);
    EXPECT_EQ(averageOf({200}), 0);
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
    accumulator.add(BluePlane{first.data(), 3, 16, 5, 2}, 1);
    accumulator.add(BluePlane{second.data(), 3, 16, 5, 2}, 1);
    EXPECT_EQ(result(accumulator, 10), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(PixelAccumulator, RepeatsAndMergingEqualOnePass)
{
    const auto first = bgrRow({3, 250, 17, 0, 99});
    const auto second = bgrRow({254, 1, 17, 255, 100});
    const auto third = bgrRow({9, 9, 200, 128, 98});

    PixelAccumulator onePass(1, 5);
    for (int i = 0; i < 3; ++i)
        add(onePass, first);
    add(onePass, second);
    add(onePass, third);
    add(onePass, third);

    PixelAccumulator head(1, 5);
    PixelAccumulator tail(1, 5);
    add(head, first, 3);
    add(tail, second);
    add(tail, third, 2);
    head.merge(std::move(tail));

    EXPECT_EQ(result(head, 5), result(onePass, 5));
    EXPECT_EQ(result(onePass, 5), (std::vector<std::uint8_t>{5, 103, 53, 51, 98}));
}

TEST(PixelAccumulator, HugeFrameCountsDoNotOverflow)
{
    const auto bright = bgrRow({255});
    const auto dark = bgrRow({10});
    PixelAccumulator onePass(1, 1);
    add(onePass, dark, 10);
    add(onePass, bright, 2'000'000'000);
    add(onePass, dark, 1'999'999'990);

    // Sums that start small and grow past 32 bits only when merged.
    PixelAccumulator head(1, 1);
    PixelAccumulator tail(1, 1);
    add(head, dark, 10);
    add(tail, bright, 2'000'000'000);
    add(tail, dark, 1'999'999'990);
    head.merge(std::move(tail));

    // (255 * 2e9 + 10 * 2e9 - 255) / (4e9 - 1)
    EXPECT_EQ(result(onePass, 1)[0], 132);
    EXPECT_EQ(result(head, 1)[0], 132);
}

TEST(PixelAccumulator, LongRunsOfSingleFramesKeepExactSums)
{
    // More frames of 255 than a 16-bit sum holds, added one at a time.
    const auto bright = bgrRow({255, 0});
    const auto dark = bgrRow({3, 255});
    PixelAccumulator head(1, 2);
    for (int i = 0; i < 600; ++i)
        add(head, bright);
    for (int i = 0; i < 400; ++i)
        add(head, dark);
    // (600 * 255 + 400 * 3 - 255) / 999 and (400 * 255 - 255) / 999
    EXPECT_EQ(result(head, 2), (std::vector<std::uint8_t>{154, 101}));

    PixelAccumulator tail(1, 2);
    for (int i = 0; i < 300; ++i)
        add(tail, bright);
    head.merge(std::move(tail));
    // (900 * 255 + 400 * 3 - 255) / 1299 and (400 * 255 - 255) / 1299
    EXPECT_EQ(result(head, 2), (std::vector<std::uint8_t>{177, 78}));
}
