// Files written by FFmpeg's encoders and muxers: every codec and container
// decodes to the right pictures.
#include "average/average_video.h"
#include "tests/support/averages.h"
#include "tests/support/clips.h"
#include "tests/support/pictures.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

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

// Pictures the stream crops on any side and at any offset (H.264's frame
// cropping, as libx264 writes it): the bitmap is the area players show, of
// the size ffprobe reports, its blue read in place (RGB), by our kernel
// (YUV) or through swscale (10-bit).
TEST(Codecs, TheBitmapIsTheAreaTheStreamCropsTo)
{
    if (!hasEncoder("libx264"))
        GTEST_SKIP() << "this FFmpeg has no libx264, the encoder that writes a crop";
    ScratchDirectory directory;
    const struct {
        const char *encoder, *pixelFormat;
        int width, height, left, top, right, bottom;
    } cases[] = {
        {"libx264rgb", "bgr24", 18, 6, 16, 0, 1, 0},    // 1 wide, from column 16
        {"libx264rgb", "bgr24", 224, 160, 4, 2, 6, 1},  // 214x157, from column 4 and row 2
        {"libx264", "yuv444p", 8, 10, 1, 3, 0, 2},      // 7x5, from column 1 and row 3
        {"libx264", "yuv444p10le", 224, 6, 3, 1, 8, 0}, // 213x5, from column 3
    };
    for (const auto& c : cases) {
        const auto pictures = noisePictures(c.width, c.height, 3, std::uint32_t(c.width + c.left));
        const std::string rect = std::to_string(c.left) + "," + std::to_string(c.top) + "," +
                                 std::to_string(c.right) + "," + std::to_string(c.bottom);
        const std::string options = "qp=0:x264-params=crop-rect=" + rect;
        writeClip(directory / "cropped.mp4", pictures,
                  {.encoder = c.encoder, .pixelFormat = c.pixelFormat, .options = options});
        // The average of the areas is the area of the average.
        const std::vector<std::uint8_t> whole = expectedAverage(pictures);
        std::vector<std::uint8_t> shown;
        for (auto row = whole.begin() + c.top * c.width; row < whole.end() - c.bottom * c.width; row += c.width)
            shown.insert(shown.end(), row + c.left, row + c.width - c.right);
        // YUV converted from and back to RGB may be off by a level or two.
        EXPECT_LE(largestDifference(average(directory / "cropped.mp4"), shown), 2) << rect;
    }
}

// Video stored sideways with a display matrix, as phones write it: the
// bitmap is the average as the ffmpeg command shows the video, through the
// transpose and flip filters it inserts. AVI has no display matrix.
TEST(Codecs, ADisplayMatrixTurnsTheBitmapAsTheFfmpegCommandShowsIt)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(7, 4, 3, 23);
    const std::vector<std::uint8_t> stored = expectedAverage(pictures);
    const struct {
        const char* name;
        double clockwise;  // av_display_rotation_set's angle
        bool hflip;
        int width;                  // shown
        int (*from)(int x, int y);  // in the stored average
    } cases[] = {
        {"clip.mov", 90, false, 4, [](int x, int y) { return (3 - x) * 7 + y; }},        // transpose=clock
        {"clip.mov", 180, false, 7, [](int x, int y) { return (3 - y) * 7 + 6 - x; }},   // hflip, vflip
        {"clip.mov", 270, false, 4, [](int x, int y) { return x * 7 + 6 - y; }},         // transpose=cclock
        {"clip.mov", 0, true, 7, [](int x, int y) { return y * 7 + 6 - x; }},            // hflip
        {"clip.mov", 90, true, 4, [](int x, int y) { return x * 7 + y; }},               // transpose=cclock_flip
        {"clip.mov", 30, false, 7, [](int x, int y) { return y * 7 + x; }},              // not a quarter turn
        {"clip.avi", 90, false, 7, [](int x, int y) { return y * 7 + x; }},
    };
    for (const auto& c : cases) {
        std::vector<std::int32_t> matrix(9);
        av_display_rotation_set(matrix.data(), c.clockwise);
        av_display_matrix_flip(matrix.data(), c.hflip, false);
        writeClip(directory / c.name, pictures, {.encoder = "ffv1", .pixelFormat = "bgr0", .displayMatrix = matrix});
        std::vector<std::uint8_t> shown;
        for (int i = 0; i < 28; ++i)
            shown.push_back(stored[std::size_t(c.from(i % c.width, i / c.width))]);
        const GreyImage image = averageVideo((directory / c.name).string());
        EXPECT_EQ(std::pair(image.width, image.pixels), std::pair(c.width, shown)) << c.name << " " << c.clockwise;
    }
}

// Every encoder of pictures coded on their own that this FFmpeg has, in
// every container that takes it: what FFmpeg decodes without an error is
// averaged, warnings and all (the TIFF decoder warns of a tag its own
// encoder writes).
TEST(Codecs, EveryIntraOnlyEncoderIsAveragedInAviMkvAndMov)
{
    ScratchDirectory directory;
    const auto pictures = movingSquarePictures(64, 48, 3);
    const char* const formats[] = {"bgr24", "rgb24", "bgr0", "yuv420p", "yuv422p", "yuv444p", "yuvj420p",
                                   "yuv422p10le", "gray", "rgb48be", "pal8", "monow", "uyvy422", "gbrp"};
    int written = 0;
    void* iterator = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&iterator)) {
        const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec->id);
        if (!av_codec_is_encoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO || !descriptor ||
            !(descriptor->props & AV_CODEC_PROP_INTRA_ONLY) || !avcodec_find_decoder(codec->id))
            continue;
        for (const char* container : {"avi", "matroska", "mov"}) {
            // AVI keeps a codec it has no tag for under none, which reads back
            // as uncompressed; the others refuse it.
            if (container == std::string("avi") &&
                avformat_query_codec(av_guess_format("avi", nullptr, nullptr), codec->id, FF_COMPLIANCE_NORMAL) != 1)
                continue;
            const auto file = directory / (std::string(codec->name) + "." + container);
            // The first of the formats the encoder and the container take.
            const bool made = std::any_of(std::begin(formats), std::end(formats), [&](const char* format) {
                try {
                    writeClip(file, pictures, {.encoder = codec->name, .pixelFormat = format, .container = container});
                    return true;
                } catch (const std::runtime_error&) {
                    return false;
                }
            });
            if (!made)
                continue;
            ++written;
            EXPECT_EQ(failureOf(file), "no failure") << codec->name << " in " << container;
        }
    }
    std::cout << "[ INFO     ] " << written << " clips of intra-only encoders\n";
    EXPECT_GE(written, 10);  // 12 in the Windows build's FFmpeg, which has fewer encoders
}

// Each file is read once, frames counted and all: what the process reads is
// the file and little more. Linux counts the bytes a process reads.
TEST(Codecs, EachFileIsReadOnce)
{
    const auto bytesRead = [] {
        std::ifstream io("/proc/self/io");
        std::string key;
        std::uint64_t value = 0;
        while (io >> key >> value)
            if (key == "rchar:")
                return value;
        return std::uint64_t(0);
    };
    if (bytesRead() == 0)
        GTEST_SKIP() << "no /proc/self/io here";
    ScratchDirectory directory;
    const auto pictures = noisePictures(320, 240, 12, 3);
    const struct {
        const char* name;
        ClipFormat format;
    } cases[] = {
        {"clip.avi", {.encoder = "ffv1", .pixelFormat = "bgr0"}},
        {"clip.mkv", {.encoder = "ffv1", .pixelFormat = "bgr0"}},
        {"clip.mov", {.encoder = "ffv1", .pixelFormat = "bgr0"}},
        {"clip.mp4", {.encoder = "mpeg4", .pixelFormat = "yuv420p", .options = "qmin=2:qmax=2"}},
        {"clip.webm", {.encoder = "libvpx", .pixelFormat = "yuv420p", .options = "deadline=realtime:crf=4:b=0"}},
        {"clip.ogg", {.encoder = "libtheora", .pixelFormat = "yuv420p", .options = "qmin=2:qmax=2"}},
    };
    for (const auto& c : cases) {
        if (skipsRowWithoutEncoder(c.format.encoder))
            continue;
        const auto file = directory / c.name;
        writeClip(file, pictures, c.format);
        const auto size = std::filesystem::file_size(file);
        const std::uint64_t before = bytesRead();
        EXPECT_EQ(failureOf(file), "no failure") << c.name;
        const std::uint64_t read = bytesRead() - before;
        EXPECT_LE(read, size + size / 20 + 65536) << c.name << ": " << read << " bytes read of " << size;
    }
}
