// Reading a video in parts on several threads gives the bytes of one pass,
// whatever the key frames, dropped frames and number of parts.
#include "average_video.h"
#include "clip_writer.h"
#include "pictures.h"
#include "riff_avi.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> average(const std::filesystem::path& file, unsigned workers)
{
    const GreyImage image = averageVideo(file.c_str(), workers);
    return {image.data.get(), image.data.get() + std::size_t(image.width) * image.height};
}

void expectSameForAnyWorkers(const std::filesystem::path& file, const std::vector<std::uint8_t>& expected,
                             const std::string& what)
{
    for (unsigned workers : {1u, 2u, 3u, 4u, 7u})
        EXPECT_EQ(average(file, workers), expected) << what << ", " << workers << " workers";
}

}  // namespace

TEST(SplitReading, DroppedFramesAtAndAroundThePartBoundariesCountOnce)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(6, 4, 30, 9);
    // Runs of dropped frames everywhere, the even split points of 2, 3, 4
    // and 7 parts among them; every picture is a key frame.
    std::vector<int> shown;
    for (int i = 0; i < 30; ++i)
        shown.push_back(1 + i * 7 % 3);
    for (bool withIndex : {true, false}) {
        const auto file = directory / "dropped.avi";
        uncompressedAvi(pictures, {}, shown).save(file, withIndex);
        expectSameForAnyWorkers(file, expectedAverage(pictures, shown), withIndex ? "indexed" : "no index");
    }
}

TEST(SplitReading, AnyKeyFrameIntervalGivesTheBytesOfOnePass)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(10, 6, 40, 11);
    const auto expected = expectedAverage(pictures);
    for (int interval : {1, 2, 3, 7, 25, 100}) {
        const auto file = directory / "clip.avi";
        ClipWriter writer(file.string(), 10, 6, {.encoder = "ffv1", .pixelFormat = "bgr0", .keyFrameInterval = interval});
        for (const Picture& picture : pictures)
            writer.write(picture.bgr.data(), 30);
        writer.finish();
        expectSameForAnyWorkers(file, expected, "key frame every " + std::to_string(interval));
    }
}

TEST(SplitReading, AFailureInAnyPartFailsTheWhole)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(4, 4, 8, 12);
    uncompressedAvi(pictures, {.claimedLength = 12}).save(directory / "short.avi");
    for (unsigned workers : {1u, 2u, 4u})
        EXPECT_THROW(averageVideo((directory / "short.avi").c_str(), workers), std::runtime_error) << workers;
}
