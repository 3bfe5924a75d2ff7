// Uncompressed AVI frames read where they lie in the file: every stored
// layout, with dropped frames before, between and after the pictures, on any
// number of workers, and a file cut short while it is read.
#include "system/local_file.h"
#include "tests/support/averages.h"
#include "tests/support/pictures.h"
#include "tests/support/riff_avi.h"
#include "video/video_frame_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <stdexcept>

TEST(FramesInPlace, EveryUncompressedLayoutGivesTheExactMeanOnAnyWorkers)
{
    std::vector<std::uint32_t> reversed;  // a palette whose blue is the index reversed
    for (std::uint32_t i = 0; i < 256; ++i)
        reversed.push_back((255 - i) | 0x4000 | 0x200000);
    const std::vector<std::uint32_t> masks565 = {0xF800, 0x07E0, 0x1F};
    const std::vector<std::uint32_t> masks888 = {0xFF0000, 0xFF00, 0xFF};
    const struct {
        const char* name;
        RiffVideoStream format;
    } layouts[] = {
        {"24-bit", {}},
        {"24-bit top-down", {.topDown = true}},
        {"32-bit", {.bitCount = 32}},
        {"32-bit masks top-down", {.bitCount = 32, .topDown = true, .masks = masks888}},
        {"16-bit", {.bitCount = 16}},
        {"16-bit 5-6-5 masks", {.bitCount = 16, .masks = masks565}},
        {"8-bit palette", {.bitCount = 8, .palette = reversed}},
        {"8-bit grey", {.bitCount = 8, .topDown = true, .start = 3}},
    };
    const std::vector<int> shown = {2, 3, 1, 2};  // the first after a dropped frame, the last before one
    ScratchDirectory directory;
    // Rows padded to four bytes; and pictures large enough to go to the
    // workers one at a time.
    for (const auto& [width, height] : {std::pair{5, 3}, std::pair{854, 330}}) {
        for (const auto& layout : layouts) {
            const auto pictures =
                noisePictures(width, height, int(shown.size()), std::uint32_t(layout.format.bitCount));
            RiffVideoStream format = layout.format;
            format.width = width;
            format.height = height;
            RiffAvi avi;
            const int video = avi.addVideo(format);
            avi.addChunk(video, {});
            std::vector<Picture> seen;
            for (std::size_t i = 0; i < pictures.size(); ++i) {
                avi.addChunk(video, bitmapRows(pictures[i], format.bitCount, format.topDown));
                for (int drop = i == 0 ? 2 : 1; drop < shown[i]; ++drop)
                    avi.addChunk(video, {});
                Picture picture = pictures[i];
                for (std::size_t blue = 0; blue < picture.bgr.size(); blue += 3) {
                    std::uint8_t& value = picture.bgr[blue];
                    value = format.bitCount == 16 ? std::uint8_t((value & 0xF8) | value >> 5)
                                                  : format.palette.empty() ? value : std::uint8_t(255 - value);
                }
                seen.push_back(picture);
            }
            const auto file = directory / "clip.avi";
            avi.save(file);
            EXPECT_TRUE(VideoFrameReader(LocalFile(file.string())).readsFramesInPlace()) << layout.name;
            for (unsigned workers : {1u, 2u, 16u})
                EXPECT_EQ(average(file, workers), expectedAverage(seen, shown))
                    << layout.name << " " << width << " on " << workers;
        }
    }
}

// Cut to half its size once the first picture is in: the frames after the
// cut fail, at the same frame for any number of workers.
TEST(FramesInPlace, AFileCutShortWhileReadFailsAtTheFirstFrameMissing)
{
    ScratchDirectory directory;
    const auto file = directory / "clip.avi";
    const auto pictures = noisePictures(64, 48, 60);
    std::string first;
    for (unsigned workers : {1u, 2u, 16u}) {
        uncompressedAvi(pictures).save(file);
        const LocalFile opened(file.string());
        VideoFrameReader reader(opened);
        ASSERT_TRUE(reader.readsFramesInPlace());
        std::once_flag cut;
        std::string failure = "no failure";
        try {
            reader.readAll(workers, [&](unsigned, const BlueRows&, std::int64_t) {
                std::call_once(cut, [&] { std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2); });
            });
        } catch (const std::runtime_error& error) {
            failure = error.what();
        }
        EXPECT_TRUE(failure.starts_with("cannot read frame ") &&
                    failure.ends_with(" of 60 (damaged, or shorter than its header says)"))
            << failure << " on " << workers;
        if (first.empty())
            first = failure;
        EXPECT_EQ(failure, first) << workers;
    }
}
