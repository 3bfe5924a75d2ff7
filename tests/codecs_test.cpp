// Files written by FFmpeg's encoders and muxers: every codec and container
// decodes to the right pictures.
#include "app/average_video.h"
#include "tests/support/averages.h"
#include "tests/support/clips.h"
#include "tests/support/pictures.h"

extern "C" {
#include <libavutil/display.h>
}

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

TEST(Codecs, LosslessCodecsGiveExactAverages)
{
    ScratchDirectory directory;
    const ClipFormat formats[] = {
        {.encoder = "rawvideo", .pixelFormat = "bgr24"},  // stored top-down by the muxer
        {.encoder = "ffv1", .pixelFormat = "bgr0", .keyFrameInterval = 3},
        {.encoder = "huffyuv", .pixelFormat = "rgb24"},
        {.encoder = "utvideo", .pixelFormat = "gbrp"},
        {.encoder = "libx264rgb", .pixelFormat = "bgr24", .options = "qp=0"},
    };
    for (const ClipFormat& format : formats)
        for (int width : {34, 33}) {
            if (skipsRowWithoutEncoder(format.encoder))
                break;
            if (width % 2 && format.encoder != "rawvideo" && format.encoder != "ffv1")
                continue;  // the others need even widths
            const auto pictures = noisePictures(width, 18, 7, std::uint32_t(width));
            const auto file = directory / (format.encoder + ".avi");
            writeClip(file, pictures, format);
            EXPECT_EQ(average(file), expectedAverage(pictures)) << format.encoder << " " << width;
        }
}

TEST(Codecs, LossyCodecsComeClose)
{
    ScratchDirectory directory;
    const struct {
        ClipFormat format;
        int tolerance;
    } cases[] = {
        {{.encoder = "mjpeg", .pixelFormat = "yuvj420p", .options = "q=2"}, 8},
        {{.encoder = "mpeg4", .pixelFormat = "yuv420p", .options = "q=2"}, 12},
        {{.encoder = "mpeg4", .pixelFormat = "yuv420p", .options = "q=2:bf=2"}, 12},
        {{.encoder = "libx264", .pixelFormat = "yuv420p", .options = "crf=10:bf=3"}, 8},
        {{.encoder = "msvideo1", .pixelFormat = "rgb555le"}, 12},
        {{.encoder = "cinepak", .pixelFormat = "rgb24"}, 24},
    };
    const auto pictures = movingSquarePictures(64, 48, 12);
    const auto expected = expectedAverage(pictures);
    for (const auto& c : cases) {
        if (skipsRowWithoutEncoder(c.format.encoder))
            continue;
        const auto file = directory / (c.format.encoder + ".avi");
        writeClip(file, pictures, c.format);
        EXPECT_LE(largestDifference(average(file), expected), c.tolerance) << c.format.encoder << " " << c.format.options;
    }
}

TEST(Codecs, OtherContainersAreReadInDisplayOrder)
{
    ScratchDirectory directory;
    const auto noise = noisePictures(34, 18, 9, 5);
    const ClipFormat ffv1{.encoder = "ffv1", .pixelFormat = "bgr0"};
    for (const char* name : {"clip.mkv", "clip.mov", "clip.nut"}) {
        writeClip(directory / name, noise, ffv1);
        EXPECT_EQ(average(directory / name), expectedAverage(noise)) << name;
    }

    const auto scene = movingSquarePictures(64, 48, 12);
    const struct {
        const char* name;
        ClipFormat format;
    } lossy[] = {
        {"h264.mp4", {.encoder = "libx264", .pixelFormat = "yuv420p", .options = "crf=10:bf=3"}},
        {"h264.mkv", {.encoder = "libx264", .pixelFormat = "yuv420p", .options = "crf=10:bf=3"}},
        {"h264.ts", {.encoder = "libx264", .pixelFormat = "yuv420p", .options = "crf=10:bf=3"}},
        {"vp9.webm", {.encoder = "libvpx-vp9", .pixelFormat = "yuv420p", .options = "crf=10:b=0"}},
        // Streams without a container, which cannot seek back: counted by a
        // second reading.
        {"raw.h264", {.encoder = "libx264", .pixelFormat = "yuv420p", .options = "crf=10:bf=3"}},
        {"clip.y4m", {.encoder = "wrapped_avframe", .pixelFormat = "yuv420p"}},
    };
    for (const auto& c : lossy) {
        if (skipsRowWithoutEncoder(c.format.encoder))
            continue;
        writeClip(directory / c.name, scene, c.format);
        EXPECT_LE(largestDifference(average(directory / c.name), expectedAverage(scene)), 12) << c.name;
    }
}

TEST(Codecs, EachFrameOfAVariableRateVideoCountsOnce)
{
    // Gaps in the timestamps of an MKV file are no dropped frames.
    ScratchDirectory directory;
    const auto pictures = noisePictures(10, 6, 6, 8);
    const std::int64_t times[] = {0, 1, 4, 5, 12, 13};
    {
        ClipWriter writer((directory / "vfr.mkv").string(), 10, 6, {.encoder = "ffv1", .pixelFormat = "bgr0"});
        for (std::size_t i = 0; i < pictures.size(); ++i)
            writer.write(pictures[i].bgr.data(), 30, times[i]);
        writer.finish();
    }
    EXPECT_EQ(average(directory / "vfr.mkv"), expectedAverage(pictures));
}

// A transport stream cut between key frames, as recordings start: the
// pictures that need what came before the cut are not frames.
TEST(Codecs, AStreamCutBetweenKeyFramesStartsAtItsFirstKeyFrame)
{
    ScratchDirectory directory;
    const std::vector<Picture> still(30, movingSquarePictures(48, 32, 1)[0]);
    writeClip(directory / "whole.ts", still,
              {.encoder = "mpeg2video", .pixelFormat = "yuv420p", .keyFrameInterval = 6, .options = "bf=2:q=2"});
    const std::vector<std::uint8_t> whole = readFile(directory / "whole.ts");
    const std::size_t cut = whole.size() / 188 * 188 * 2 / 5 / 188 * 188;  // at a transport packet
    writeFile(directory / "cut.ts", {whole.begin() + std::ptrdiff_t(cut), whole.end()});
    EXPECT_LE(largestDifference(average(directory / "whole.ts"), expectedAverage({still[0], still[0]})), 16);
    EXPECT_LE(largestDifference(average(directory / "cut.ts"), average(directory / "whole.ts")), 2);
}

namespace {

// An image as the ffmpeg command's filter shows it: transpose (clock,
// cclock, clock_flip, cclock_flip), hflip or vflip.
GreyImage filtered(const GreyImage& image, const std::string& filter)
{
    const bool transposed = filter.find("clock") != std::string::npos;
    GreyImage shown{transposed ? image.width : image.height, transposed ? image.height : image.width, {}};
    for (int y = 0; y < shown.height; ++y)
        for (int x = 0; x < shown.width; ++x) {
            const std::map<std::string, std::pair<int, int>> from = {
                {"clock", {y, image.height - 1 - x}},
                {"cclock", {image.width - 1 - y, x}},
                {"clock_flip", {image.width - 1 - y, image.height - 1 - x}},
                {"cclock_flip", {y, x}},
                {"hflip", {image.width - 1 - x, y}},
                {"vflip", {x, image.height - 1 - y}},
            };
            const auto [column, row] = from.at(filter);
            shown.pixels.push_back(image.pixels[std::size_t(row * image.width + column)]);
        }
    return shown;
}

}  // namespace

// Video stored sideways with a display matrix, as phones and cameras write
// it: the bitmap is the average turned and mirrored as the ffmpeg command
// shows the video (the filters it inserts, applied here to the expected
// average). AVI has no display matrix: there the pictures stay as stored.
TEST(Codecs, ADisplayMatrixTurnsTheBitmapAsTheFfmpegCommandShowsIt)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(7, 4, 3, 23);
    const GreyImage stored{4, 7, expectedAverage(pictures)};
    const struct {
        const char* name;
        double angle;  // av_display_rotation_set's, clockwise
        bool hflip;
        bool vflip;
        std::vector<std::string> filters;
    } cases[] = {
        {"clip.mov", 90, false, false, {"clock"}},        {"clip.mov", 180, false, false, {"hflip", "vflip"}},
        {"clip.mov", 270, false, false, {"cclock"}},      {"clip.mov", 0, true, false, {"hflip"}},
        {"clip.mov", 0, false, true, {"vflip"}},          {"clip.mov", 90, true, false, {"cclock_flip"}},
        {"clip.mov", 270, true, false, {"clock_flip"}},   {"clip.mov", 180, true, false, {"vflip"}},
        {"clip.mov", 30, false, false, {}},  // not a quarter turn
        {"clip.avi", 90, false, false, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::int32_t> matrix(9);
        av_display_rotation_set(matrix.data(), c.angle);
        av_display_matrix_flip(matrix.data(), c.hflip, c.vflip);
        writeClip(directory / c.name, pictures, {.encoder = "ffv1", .pixelFormat = "bgr0", .displayMatrix = matrix});
        GreyImage expected = stored;
        for (const std::string& filter : c.filters)
            expected = filtered(expected, filter);
        const GreyImage image = averageVideo((directory / c.name).string());
        EXPECT_EQ(std::tuple(image.width, image.height, image.pixels),
                  std::tuple(expected.width, expected.height, expected.pixels))
            << c.name << " " << c.angle << (c.hflip ? " hflip" : "") << (c.vflip ? " vflip" : "");
    }
}
