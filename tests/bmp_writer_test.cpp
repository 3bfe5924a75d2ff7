#include "grey_image.h"
#include "pictures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <numeric>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

std::uint16_t u16At(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return std::uint16_t(bytes[at] | bytes[at + 1] << 8);
}

GreyImage countingImage(int height, int width)
{
    GreyImage image(height, width);
    std::iota(image.data.get(), image.data.get() + height * width, std::uint8_t(1));
    return image;
}

std::size_t filesIn(const std::filesystem::path& directory)
{
    auto entries = std::filesystem::directory_iterator(directory);
    return std::size_t(std::distance(begin(entries), end(entries)));
}

}  // namespace

TEST(BmpLayout, HeadersPaletteAndPaddedRows)
{
    const std::vector<std::uint8_t> bytes = encodeBmp(countingImage(2, 5));
    ASSERT_EQ(bytes.size(), 1078u + 2 * 8);

    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(u32At(bytes, 2), 1094u);   // file size
    EXPECT_EQ(u32At(bytes, 6), 0u);      // reserved
    EXPECT_EQ(u32At(bytes, 10), 1078u);  // pixel offset
    EXPECT_EQ(u32At(bytes, 14), 40u);
    EXPECT_EQ(u32At(bytes, 18), 5u);     // width
    EXPECT_EQ(u32At(bytes, 22), 2u);     // height, positive: bottom-up
    EXPECT_EQ(u16At(bytes, 26), 1);      // planes
    EXPECT_EQ(u16At(bytes, 28), 8);      // bits per pixel
    EXPECT_EQ(u32At(bytes, 30), 0u);     // uncompressed
    EXPECT_EQ(u32At(bytes, 34), 16u);    // pixel bytes
    EXPECT_EQ(u32At(bytes, 38), 2835u);
    EXPECT_EQ(u32At(bytes, 42), 2835u);
    EXPECT_EQ(u32At(bytes, 46), 256u);
    EXPECT_EQ(u32At(bytes, 50), 0u);

    for (std::uint32_t level : {0u, 1u, 128u, 255u})
        EXPECT_EQ(u32At(bytes, 54 + 4 * level), level | level << 8 | level << 16) << level;

    const std::vector<std::uint8_t> rows(bytes.begin() + 1078, bytes.end());
    EXPECT_EQ(rows, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 0, 0, 0, 6, 7, 8, 9, 10, 0, 0, 0}));
}

TEST(BmpLayout, RowsOfFourHaveNoPaddingAndEmptyImagesOnlyHeaders)
{
    const std::vector<std::uint8_t> four = encodeBmp(countingImage(2, 4));
    ASSERT_EQ(four.size(), 1086u);
    EXPECT_EQ(u32At(four, 2), 1086u);
    EXPECT_EQ(u32At(four, 34), 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(four.begin() + 1078, four.end()),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));

    for (const GreyImage& empty : {GreyImage(0, 7), GreyImage(3, 0)}) {
        const std::vector<std::uint8_t> bytes = encodeBmp(empty);
        EXPECT_EQ(bytes.size(), 1078u);
        EXPECT_EQ(u32At(bytes, 2), 1078u);
        EXPECT_EQ(u32At(bytes, 34), 0u);
    }
}

TEST(SaveBmp, ReplacesAnEarlierFileWhole)
{
    ScratchDirectory directory;
    const auto target = directory / "outS.bmp";
    ::umask(022);
    ASSERT_EQ(countingImage(30, 30).saveBmp(target.c_str()), 0);
    const GreyImage smaller = countingImage(1, 3);
    ASSERT_EQ(smaller.saveBmp(target.c_str()), 0);
    EXPECT_EQ(readFile(target), encodeBmp(smaller));
    EXPECT_EQ(filesIn(directory.path()), 1u);  // no temporary file left
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0644));
}

TEST(SaveBmp, AFailedWriteLeavesTheEarlierFileAndNoPartialOne)
{
    ScratchDirectory directory;
    const auto target = directory / "outS.bmp";
    const GreyImage earlier = countingImage(2, 2);
    ASSERT_EQ(earlier.saveBmp(target.c_str()), 0);

    // A child process whose files may not grow past 2000 bytes: the write of
    // a 100 x 100 bitmap fails part way.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{2000, 2000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(countingImage(100, 100).saveBmp(target.c_str()));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EFBIG);
    EXPECT_EQ(readFile(target), encodeBmp(earlier));
    EXPECT_EQ(filesIn(directory.path()), 1u);
}

TEST(SaveBmp, ReportsAMissingDirectory)
{
    ScratchDirectory directory;
    const auto target = directory / "missing" / "outS.bmp";
    EXPECT_EQ(countingImage(2, 2).saveBmp(target.c_str()), ENOENT);
}

TEST(SaveBmp, ASignalDuringTheWriteRemovesTheTemporaryFile)
{
    ScratchDirectory directory;
    const auto target = directory / "outS.bmp";
    const GreyImage image = countingImage(4000, 4000);
    ASSERT_EQ(image.saveBmp(target.c_str()), 0);
    const std::vector<std::uint8_t> earlier = readFile(target);

    for (int signal : {SIGTERM, SIGINT}) {
        // The child writes the same bitmap again and again until the signal
        // comes, which is sent while a temporary file is there.
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            removePartialBitmapsOnSignals();
            for (;;)
                image.saveBmp(target.c_str());
        }
        while (filesIn(directory.path()) < 2)
            ::usleep(100);
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
        EXPECT_EQ(filesIn(directory.path()), 1u) << signal;
        EXPECT_EQ(readFile(target), earlier);
    }
}
