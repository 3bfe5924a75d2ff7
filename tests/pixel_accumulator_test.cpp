#include "pixel_accumulator.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Averages one pixel over the given values.
int averageOf(const std::vector<std::uint8_t>& values)
{
    PixelAccumulator accumulator(1);
    for (std::uint8_t value : values)
        accumulator.add(&value, 1);
    std::uint8_t result = 77;
    accumulator.finish(&result);
    return result;
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

TEST(PixelAccumulator, RepeatsAndMergingEqualOnePass)
{
    const std::vector<std::uint8_t> first = {3, 250, 17, 0, 99};
    const std::vector<std::uint8_t> second = {254, 1, 17, 255, 100};
    const std::vector<std::uint8_t> third = {9, 9, 200, 128, 98};

    PixelAccumulator onePass(5);
    for (int i = 0; i < 3; ++i)
        onePass.add(first.data(), 1);
    onePass.add(second.data(), 1);
    onePass.add(third.data(), 1);
    onePass.add(third.data(), 1);

    PixelAccumulator head(5);
    PixelAccumulator tail(5);
    head.add(first.data(), 3);
    tail.add(second.data(), 1);
    tail.add(third.data(), 2);
    head.merge(tail);

    EXPECT_EQ(head.frames(), 6u);
    std::vector<std::uint8_t> expected(5);
    std::vector<std::uint8_t> merged(5);
    onePass.finish(expected.data());
    head.finish(merged.data());
    EXPECT_EQ(merged, expected);
    EXPECT_EQ(expected, (std::vector<std::uint8_t>{5, 103, 53, 51, 98}));
}

TEST(PixelAccumulator, HugeFrameCountsDoNotOverflow)
{
    const std::uint8_t bright = 255;
    const std::uint8_t dark = 10;
    PixelAccumulator onePass(1);
    onePass.add(&dark, 10);
    onePass.add(&bright, 2'000'000'000);
    onePass.add(&dark, 1'999'999'990);

    // Sums that start small and grow past 32 bits only when merged.
    PixelAccumulator head(1);
    PixelAccumulator tail(1);
    head.add(&dark, 10);
    tail.add(&bright, 2'000'000'000);
    tail.add(&dark, 1'999'999'990);
    head.merge(tail);

    for (const PixelAccumulator* accumulator : {&onePass, &head}) {
        std::uint8_t result = 0;
        accumulator->finish(&result);
        EXPECT_EQ(result, 132);  // (255 * 2e9 + 10 * 2e9 - 255) / (4e9 - 1)
    }
}
