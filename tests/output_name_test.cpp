#include "app/output_name.h"

#include <gtest/gtest.h>

TEST(OutputName, StemEndsAtTheFirstDotAmongTheFirstFortyCharacters)
{
    const std::string letters45(45, 'x');
    const std::string dotAt40 = std::string(40, 'y') + ".avi";
    const struct {
        std::string input;
        std::string expected;
    } cases[] = {
        {"clip.avi", "clipS.bmp"},
        {"clip", "clipS.bmp"},
        {"a.b.avi", "aS.bmp"},
        {"dir.old/clip.avi", "dirS.bmp"},
        {"./clip.avi", "S.bmp"},
        {"../videos/clip.avi", "S.bmp"},
        {"videos/clip.avi", "videos/clipS.bmp"},
        {"-x.avi", "-xS.bmp"},
        {letters45, std::string(40, 'x') + "S.bmp"},
        {dotAt40, std::string(40, 'y') + "S.bmp"},
        {std::string(39, 'z') + ".avi", std::string(39, 'z') + "S.bmp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outputName(c.input), c.expected) << c.input;
}
