// AVI files built byte by byte: layouts, stream choice, dropped frames,
// picture sizes, damaged files.
#include "app/bitmap_file.h"
#include "average/average_video.h"
#include "tests/support/averages.h"
#include "tests/support/clips.h"
#include "tests/support/pictures.h"
#include "tests/support/riff_avi.h"
#include "video/video_frame_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

// An MJPEG AVI of the JPEG files whose header states the given size.
void saveMjpegAvi(const std::filesystem::path& file, int width, int height,
                  const std::vector<std::vector<std::uint8_t>>& jpegs)
{
    RiffAvi avi;
    const int video = avi.addVideo({.width = width, .height = height, .codec = "MJPG"});
    for (const auto& jpeg : jpegs)
        avi.addChunk(video, jpeg);
    avi.save(file);
}

}  // namespace

TEST(AviFiles, UncompressedFramesOfAnyWidthAndRowOrderAreExact)
{
    ScratchDirectory directory;
    for (int width : {1, 2, 3, 5, 8, 13})
        for (bool topDown : {false, true}) {
            const auto pictures = noisePictures(width, 7, 5, std::uint32_t(width));
            const auto file = directory / "clip.avi";
            uncompressedAvi(pictures, {.topDown = topDown}).save(file);
            EXPECT_EQ(average(file), expectedAverage(pictures)) << width << (topDown ? " top-down" : "");
        }
}

TEST(AviFiles, PalettizedAnd32BitFramesAreConverted)
{
    ScratchDirectory directory;
    const int width = 6;
    const int height = 3;
    const auto pictures = noisePictures(width, height, 4, 7);

    // 8 bits: the picture's blue values become palette indices of a palette
    // whose blue component is the index reversed, which comes with the first
    // chunk, a dropped frame here; without a colour table, grey levels.
    RiffAvi palettized;
    RiffAvi greyLevels;
    const int grey = greyLevels.addVideo({.width = width, .height = height, .bitCount = 8});
    RiffVideoStream format{.width = width, .height = height, .bitCount = 8};
    for (std::uint32_t i = 0; i < 256; ++i)
        format.palette.push_back((255 - i) | 0x4000 | 0x200000);
    const int stream = palettized.addVideo(format);
    palettized.addChunk(stream, {});
    std::vector<Picture> shown;
    for (const Picture& picture : pictures) {
        palettized.addChunk(stream, bitmapRows(picture, 8));
        greyLevels.addChunk(grey, bitmapRows(picture, 8));
        Picture seen = picture;
        for (std::size_t i = 0; i < seen.bgr.size(); i += 3)
            seen.bgr[i] = std::uint8_t(255 - seen.bgr[i]);
        shown.push_back(seen);
    }
    palettized.save(directory / "palette.avi");
    EXPECT_EQ(average(directory / "palette.avi"), expectedAverage(shown, {2, 1, 1, 1}));
    greyLevels.save(directory / "grey.avi");
    EXPECT_EQ(average(directory / "grey.avi"), expectedAverage(pictures));

    uncompressedAvi(pictures, {.bitCount = 32}).save(directory / "wide.avi");
    EXPECT_EQ(average(directory / "wide.avi"), expectedAverage(pictures));
}

TEST(AviFiles, TheFirstVideoStreamIsReadWhateverComesBeforeOrAfterIt)
{
    ScratchDirectory directory;
    const auto first = noisePictures(4, 4, 3, 1);
    const auto second = noisePictures(6, 2, 3, 2);
    RiffAvi avi;
    const int audio = avi.addAudio();
    const int video = avi.addVideo({.width = 4, .height = 4});
    const int other = avi.addVideo({.width = 6, .height = 2});
    for (int i = 0; i < 3; ++i) {
        avi.addChunk(audio, std::vector<std::uint8_t>(800, 128));
        avi.addChunk(other, bitmapRows(second[i]));
        avi.addChunk(video, bitmapRows(first[i]));
    }
    avi.save(directory / "mixed.avi");
    EXPECT_EQ(average(directory / "mixed.avi"), expectedAverage(first));
}

TEST(AviFiles, DroppedFramesRepeatThePictureBeforeThem)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(5, 3, 4, 3);
    // Picture 0 shown twice, 1 once, 2 three times, 3 twice (the last drop at
    // the very end of the stream).
    const std::vector<int> shown = {2, 1, 3, 2};
    for (bool withIndex : {true, false})
        for (std::uint32_t start : {0u, 5u}) {
            const auto file = directory / "dropped.avi";
            uncompressedAvi(pictures, {.start = start}, shown).save(file, withIndex);
            EXPECT_EQ(average(file), expectedAverage(pictures, shown)) << withIndex << " " << start;

            const LocalFile opened(file.string());
            VideoFrameReader reader(opened);
            EXPECT_EQ(reader.frameCount().frames, 8);
            std::vector<int> runs;
            reader.readAll(1, [&](unsigned, const BlueRows&, std::int64_t frames) { runs.push_back(int(frames)); });
            EXPECT_EQ(runs, shown);
        }
}

TEST(AviFiles, LongRunsOfDroppedFramesAreCountedNotDecoded)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(16, 16, 2, 4);
    uncompressedAvi(pictures, {}, {60'001, 1}).save(directory / "long.avi");
    EXPECT_EQ(average(directory / "long.avi"), expectedAverage(pictures, {60'001, 1}));
}

TEST(AviFiles, DamagedOrForeignFilesFailWithAReason)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(4, 4, 6, 5);

    uncompressedAvi(pictures, {.claimedLength = 10}).save(directory / "short.avi");
    EXPECT_EQ(failureOf(directory / "short.avi"),
              "cannot read frame 6 of 10 (damaged, or shorter than its header says)");

    // Cut off in the middle of the fourth frame's chunk.
    std::vector<std::uint8_t> bytes = uncompressedAvi(pictures).bytes(false);
    const std::size_t headers = bytes.size() - 6 * (8 + 48);
    bytes.resize(headers + 3 * (8 + 48) + 20);
    const std::filesystem::path cut = directory / "cut.avi";
    writeFile(cut, bytes);
    EXPECT_EQ(failureOf(cut), "cannot read frame 3 of 6 (damaged, or shorter than its header says)");

    RiffAvi soundOnly;
    soundOnly.addChunk(soundOnly.addAudio(), std::vector<std::uint8_t>(800, 1));
    soundOnly.save(directory / "sound.avi");
    EXPECT_EQ(failureOf(directory / "sound.avi"), "no video stream");

    uncompressedAvi(pictures, {.codec = "XYZ1"}).save(directory / "unknown.avi");
    EXPECT_EQ(failureOf(directory / "unknown.avi"), "no decoder for codec 'XYZ1'");

    std::ofstream(directory / "text.avi") << "not a video at all\n";
    ASSERT_EQ(saveBmp({2, 2, std::vector<std::uint8_t>(4)}, (directory / "earlierS.bmp").string()), 0);
    EXPECT_EQ(failureOf(directory / "earlierS.bmp"), "not a video file");
    EXPECT_EQ(failureOf(directory / "text.avi"), "not a video file");
    EXPECT_EQ(failureOf(directory / "missing.avi"), "No such file or directory");
    EXPECT_EQ(failureOf(directory.path()), "Is a directory");

    RiffAvi huge;
    huge.addChunk(huge.addVideo({.width = 50'000, .height = 50'000}), {});
    huge.save(directory / "huge.avi");
    EXPECT_EQ(failureOf(directory / "huge.avi"), "picture larger than 2^25 pixels");
}

// A chunk longer than its picture with rows padded to four bytes holds
// something else: damage, or a picture of another size (16x12 under 8x6).
TEST(AviFiles, UncompressedChunksLongerThanTheirPictureAreDamaged)
{
    ScratchDirectory directory;
    const std::string damaged = "cannot read frame 1 of 2: Invalid data found when processing input";
    const struct { int bitCount, width, height, chunk; std::string failure; } cases[] = {
        {24, 5, 3, 16 * 3, "no failure"}, {24, 5, 3, 15 * 3, "no failure"},  // rows padded, or not
        {24, 5, 3, 16 * 3 + 1, damaged},  {24, 8, 6, 48 * 12, damaged},      {8, 8, 6, 16 * 12, damaged}};
    for (const auto& c : cases) {
        RiffAvi avi;
        const int video = avi.addVideo({.width = c.width, .height = c.height, .bitCount = c.bitCount});
        avi.addChunk(video, std::vector<std::uint8_t>(std::size_t((c.width * c.bitCount / 8 + 3) / 4 * 4 * c.height)));
        avi.addChunk(video, std::vector<std::uint8_t>(std::size_t(c.chunk), 9));
        avi.save(directory / "clip.avi");
        EXPECT_EQ(failureOf(directory / "clip.avi"), c.failure) << c.bitCount << " " << c.width << " " << c.chunk;
    }
}

// 4:2:0 pictures as some writers store them: every row padded to four bytes,
// the luma plane an even number of rows high. Luma 16 or 235 with neutral
// chroma is blue 0 or 255; the padding (luma 100, chroma 0) must not show.
TEST(AviFiles, FourTwoZeroChunksWithPaddedRowsAreReadWithoutThePadding)
{
    ScratchDirectory directory;
    for (const auto& [width, height] : {std::pair(5, 3), std::pair(20, 17), std::pair(1, 1)}) {
        const int chromaWidth = (width + 1) / 2, chromaHeight = (height + 1) / 2;
        const auto padded = [](int bytes) { return (bytes + 3) / 4 * 4; };
        std::vector<std::uint8_t> chunk, expected(std::size_t(width * height));
        for (int row = 0; row < 2 * chromaHeight; ++row)
            for (int column = 0; column < padded(width); ++column) {
                const bool inside = row < height && column < width, white = (row * 7 + column * 3) % 5 < 2;
                chunk.push_back(!inside ? 100 : white ? 235 : 16);
                if (inside)
                    expected[std::size_t(row * width + column)] = white ? 255 : 0;
            }
        for (int row = 0; row < 2 * chromaHeight; ++row)
            for (int column = 0; column < padded(chromaWidth); ++column)
                chunk.push_back(column < chromaWidth ? 128 : 0);
        RiffAvi avi;
        const int video = avi.addVideo({.width = width, .height = height, .bitCount = 12, .codec = "I420"});
        avi.addChunk(video, chunk);
        avi.addChunk(video, chunk);
        avi.save(directory / "clip.avi");
        EXPECT_EQ(average(directory / "clip.avi"), expected) << width << "x" << height;
    }
}

// Dropped frames that only the index records, in the middle and at the end.
TEST(AviFiles, DroppedFramesInTheIndexOnlyRepeatThePictureBeforeThem)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(5, 3, 3, 6);
    RiffAvi avi;
    const int video = avi.addVideo({.width = 5, .height = 3});
    avi.addChunk(video, bitmapRows(pictures[0]));
    avi.addIndexOnlyEntry(video);
    avi.addChunk(video, bitmapRows(pictures[1]));
    avi.addChunk(video, bitmapRows(pictures[2]));
    avi.addIndexOnlyEntry(video);
    avi.addIndexOnlyEntry(video);
    avi.save(directory / "indexed.avi");
    EXPECT_EQ(average(directory / "indexed.avi"), expectedAverage(pictures, {2, 1, 3}));
}

// MJPEG (and MPEG-4) chunks go through no parser, so empty chunks reach the
// reader also at the very end of the file, with an index or without.
TEST(AviFiles, DroppedFramesAtTheEndOfAnMjpegFileRepeatTheLastPicture)
{
    ScratchDirectory directory;
    const auto pictures = movingSquarePictures(48, 32, 4);
    const auto jpegs = jpegFiles(directory / "frames.mjpeg", pictures);

    // Each picture shown twice, through an empty chunk or a repeated one.
    RiffAvi dropped;
    RiffAvi repeated;
    const int video = dropped.addVideo({.width = 48, .height = 32, .codec = "MJPG"});
    repeated.addVideo({.width = 48, .height = 32, .codec = "MJPG"});
    for (const auto& jpeg : jpegs) {
        dropped.addChunk(video, jpeg);
        dropped.addChunk(video, {});
        repeated.addChunk(video, jpeg);
        repeated.addChunk(video, jpeg);
    }
    repeated.save(directory / "repeated.avi");
    const std::vector<std::uint8_t> expected = average(directory / "repeated.avi");
    EXPECT_LE(largestDifference(expected, expectedAverage(pictures, {2, 2, 2, 2})), 8);
    for (bool withIndex : {true, false}) {
        dropped.save(directory / "dropped.avi", withIndex);
        EXPECT_EQ(average(directory / "dropped.avi"), expected) << withIndex;
    }
}

// The bitmap has the pictures' size, whatever the header states; pictures of
// another size, or too large, fail the file.
TEST(AviFiles, PicturesDecideTheSize)
{
    ScratchDirectory directory;
    const auto small = movingSquarePictures(48, 32, 3);
    const auto large = movingSquarePictures(96, 72, 3);
    const auto smallJpegs = jpegFiles(directory / "frame.jpg", small);
    const auto largeJpegs = jpegFiles(directory / "frame.jpg", large);

    // A header that states another size, as some writers' do, changes nothing.
    saveMjpegAvi(directory / "right.avi", 96, 72, largeJpegs);
    const std::vector<std::uint8_t> right = average(directory / "right.avi");
    EXPECT_LE(largestDifference(right, expectedAverage(large)), 24);  // three frames of a moving edge
    for (const auto& [width, height] : {std::pair{96, 96}, {48, 32}, {0, 0}}) {
        saveMjpegAvi(directory / "header.avi", width, height, largeJpegs);
        const GreyImage image = averageVideo((directory / "header.avi").string());
        ASSERT_EQ(std::pair(image.width, image.height), std::pair(96, 72)) << width << "x" << height;
        EXPECT_EQ(std::vector<std::uint8_t>(image.pixels.data(), image.pixels.data() + 96 * 72), right);
    }

    for (unsigned workers : {1u, 2u, 3u}) {
        std::vector<std::vector<std::uint8_t>> mixed = {smallJpegs[0], smallJpegs[1], largeJpegs[2]};
        saveMjpegAvi(directory / "mixed.avi", 48, 32, mixed);
        EXPECT_EQ(failureOf(directory / "mixed.avi", workers), "picture size changes from 48x32 to 96x72 at frame 2");
    }

    // 8192 x 8192 in the JPEG's frame header, and a chunk long enough for the
    // decoder to believe it: refused before it is decoded.
    std::vector<std::uint8_t> huge = smallJpegs[0];
    const std::uint8_t startOfFrame[] = {0xFF, 0xC0};
    const auto frame = std::search(huge.begin(), huge.end(), startOfFrame, startOfFrame + 2);
    ASSERT_NE(frame, huge.end());
    for (int i : {5, 7})
        frame[i] = 0x20, frame[i + 1] = 0x00;
    huge.resize(huge.size() + 300'000);
    saveMjpegAvi(directory / "huge.avi", 48, 32, {huge, huge});
    EXPECT_EQ(failureOf(directory / "huge.avi"), "picture larger than 2^25 pixels");
}

// A header whose count was never written (a recording cut short, or -1 for
// unknown), and
// dropped frames before the first picture (encoders with B-frames write them
// so): the frames are those the file holds, the first picture shown from the
// start.
TEST(AviFiles, AnUnfinishedHeaderAndLeadingDropsKeepEveryFrame)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(5, 3, 4, 14);
    for (std::int64_t unknown : {0x0LL, 0xFFFFFFFFLL}) {
        uncompressedAvi(pictures, {.claimedLength = unknown}, {1, 2, 1, 3}).save(directory / "unfinished.avi");
        EXPECT_EQ(average(directory / "unfinished.avi"), expectedAverage(pictures, {1, 2, 1, 3})) << unknown;
    }

    RiffAvi leading;
    const int video = leading.addVideo({.width = 5, .height = 3});
    leading.addChunk(video, {});
    leading.addChunk(video, {});
    for (const Picture& picture : pictures)
        leading.addChunk(video, bitmapRows(picture));
    leading.save(directory / "leading.avi");
    EXPECT_EQ(average(directory / "leading.avi"), expectedAverage(pictures, {3, 1, 1, 1}));
}

// Bitmaps whose colours lie where masks say (BI_BITFIELDS), as screen and
// capture programs write them: 32-bit ones are read as such, 16-bit 5-6-5
// and 5-5-5 ones as before, in either row order; masks of any other layout
// are refused by name.
TEST(AviFiles, BitFieldBitmapsAreReadByTheirMasks)
{
    ScratchDirectory directory;
    const std::string refused =
        "unsupported colour masks red 000000FF, green 0000FF00, blue 00FF0000 for 32-bit pixels";
    const struct {
        int bitCount;
        std::vector<std::uint32_t> masks;
        bool known;
    } cases[] = {{32, {0xFF0000, 0xFF00, 0xFF}, true}, {16, {0xF800, 0x07E0, 0x1F}, true},
                 {16, {0x7C00, 0x03E0, 0x1F}, true}, {32, {0xFF, 0xFF00, 0xFF0000}, false}};
    for (const auto& c : cases)
        for (bool topDown : {false, true}) {
            auto pictures = noisePictures(7, 5, 24, c.masks[0]);
            for (Picture& picture : pictures)  // 16 bits keep five of blue, which FFmpeg widens so
                for (std::size_t blue = 0; blue < picture.bgr.size() && c.bitCount == 16; blue += 3)
                    picture.bgr[blue] = std::uint8_t((picture.bgr[blue] & 0xF8) | picture.bgr[blue] >> 5);
            const auto file = directory / "masks.avi";
            uncompressedAvi(pictures, {.bitCount = c.bitCount, .topDown = topDown, .masks = c.masks}).save(file);
            EXPECT_EQ(failureOf(file), c.known ? "no failure" : refused) << c.masks[0] << " " << topDown;
            for (unsigned workers : {1u, 16u})
                EXPECT_TRUE(!c.known || average(file, workers) == expectedAverage(pictures))
                    << c.masks[0] << (topDown ? " top-down" : "") << " on " << workers;
        }
}
