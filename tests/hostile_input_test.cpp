// Files whose headers lie: each fails with a reason, never with a crash or a
// huge allocation.
#include "average/average_video.h"
#include "tests/support/averages.h"
#include "tests/support/clips.h"
#include "tests/support/pictures.h"
#include "tests/support/riff_avi.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include <gtest/gtest.h>

#include <filesystem>

TEST(HostileInput, LyingSizesAreRefused)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(4, 4, 3);
    const struct {
        std::int32_t width;
        std::int32_t height;
        std::string reason;
    } cases[] = {
        {0, 0, "unusable frame size 0x0"},
        {0, 4, "unusable frame size 0x4"},
        {-4, 4, "unusable frame size -4x4"},
        {65535, 65535, "picture larger than 2^25 pixels"},
        {70000, 70000, "picture larger than 2^25 pixels"},  // overflows 32 bits
        {8192, 4097, "picture larger than 2^25 pixels"},
        // Believable, but the chunks hold 4 x 4 frames: nothing decodes.
        {4000, 3000, "cannot read frame 0 of 3: Invalid data found when processing input"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes = uncompressedAvi(pictures).bytes();
        const std::size_t strf = findFourcc(bytes, "strf");
        putU32(bytes, strf + 12, std::uint32_t(c.width));
        putU32(bytes, strf + 16, std::uint32_t(c.height));
        writeFile(directory / "lying.avi", bytes);
        EXPECT_EQ(failureOf(directory / "lying.avi"), c.reason) << c.width << "x" << c.height;
    }
}

// A header chunk (a stream's name here) that claims 1.6 GB: FFmpeg would
// reserve that much before finding the file short.
TEST(HostileInput, AChunkLargerThanAnyVideoNeedsIsRefusedAtOnce)
{
    ScratchDirectory directory;
    std::vector<std::uint8_t> bytes = uncompressedAvi(noisePictures(4, 4, 3)).bytes();
    const std::vector<std::uint8_t> name = {'s', 't', 'r', 'n', 0, 0, 0, 0x60, 'c', 'l', 'i', 'p'};
    bytes.insert(bytes.begin() + std::ptrdiff_t(findFourcc(bytes, "strf")), name.begin(), name.end());
    writeFile(directory / "name.avi", bytes);
    EXPECT_EQ(failureOf(directory / "name.avi"), "damaged: its header claims sizes no video has");
}

TEST(HostileInput, LyingCountsFailAndLyingFormatSizesAreReadThrough)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(4, 4, 3);

    uncompressedAvi(pictures, {.claimedLength = 0x7FFFFFFF}).save(directory / "count.avi");
    EXPECT_EQ(failureOf(directory / "count.avi"),
              "cannot read frame 3 of 2147483647 (damaged, or shorter than its header says)");

    // Format fields that point past their chunk: a header size and a colour
    // table far larger than the chunk, and a chunk size past the file's end.
    // The demuxer keeps to what is there, and the frames are intact.
    for (const auto& [offset, value] : {std::pair{8u, 100'000u}, {40u, 1'000'000u}, {4u, 0x7FFFFFF0u}}) {
        std::vector<std::uint8_t> bytes = uncompressedAvi(pictures).bytes();
        putU32(bytes, findFourcc(bytes, "strf") + offset, value);
        writeFile(directory / "format.avi", bytes);
        const GreyImage image = averageVideo((directory / "format.avi").string(), {.workers = 2});
        EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.data(), image.pixels.data() + 16), expectedAverage(pictures))
            << offset;
    }
}

// MOV and MP4 list every sample in their header. An index larger than FFmpeg
// may allocate, and a header whose counts disagree, leave FFmpeg nothing to
// read and no error: the file fails, never averaging to black. So does a
// file that ends before the samples its header lists.
TEST(HostileInput, AMovieThatGivesFewerFramesThanItListsFails)
{
    ScratchDirectory directory;
    writeClip(directory / "clip.mov", noisePictures(4, 4, 3), {.encoder = "rawvideo", .pixelFormat = "bgr24"});
    const std::vector<std::uint8_t> clip = readFile(directory / "clip.mov");
    // The sample counts of stsz (sizes) and of stts's one entry (durations).
    const std::size_t sizes = findFourcc(clip, "stsz") + 12;
    const std::size_t durations = findFourcc(clip, "stts") + 12;
    const struct {
        std::vector<std::size_t> counts;
        std::uint32_t count;
        std::string reason;
    } cases[] = {
        {{sizes}, 30'000'000, "cannot read frame 0 of 3 (damaged, or shorter than its header says)"},
        {{sizes, durations}, 30'000'000, "too many frames to index: 30000000 (at most 11184810)"},
        // Past what an index that doubles as it grows surely holds.
        {{sizes, durations}, 13'000'000, "too many frames to index: 13000000 (at most 11184810)"},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes = clip;
        for (std::size_t at : c.counts)
            AV_WB32(&bytes[at], c.count);
        writeFile(directory / "lying.mov", bytes);
        EXPECT_EQ(failureOf(directory / "lying.mov"), c.reason);
    }
    // The samples' chunk put past the end of the file.
    std::vector<std::uint8_t> cut = clip;
    AV_WB32(&cut[findFourcc(clip, "stco") + 12], std::uint32_t(clip.size()));
    writeFile(directory / "cut.mov", cut);
    EXPECT_EQ(failureOf(directory / "cut.mov"), "cannot read frame 0 of 3 (damaged, or shorter than its header says)");
}
