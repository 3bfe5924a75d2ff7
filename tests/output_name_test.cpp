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
        // A two-byte letter (ß) and a three-byte one (日) across the 40th byte.
        {std::string(39, 'a') + "\xC3\x9F.avi", std::string(39, 'a') + "S.bmp"},
        {std::string(38, 'a') + "\xE6\x97\xA5.avi", std::string(38, 'a') + "S.bmp"},
        {std::string(37, 'a') + "\xE6\x97\xA5.avi", std::string(37, 'a') + "\xE6\x97\xA5S.bmp"},
        {std::string(39, 'a') + "\x80\x80", std::string(39, 'a') + "\x80S.bmp"},  // no UTF-8: bytes as they are
    };
    for (const auto& c : cases)
        EXPECT_EQ(outputName(c.input), c.expected) << c.input;
}
