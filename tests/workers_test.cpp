// A file is read once, on any number of workers: the bytes and the failures
// are those of one decoder reading in turn, also for files whose index,
// palette or key frames are not what a muxer of ours would write.
#include "tests/support/averages.h"
#include "tests/support/clips.h"
#include "tests/support/pictures.h"
#include "tests/support/riff_avi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

// The bytes one worker gives, which every other number of workers must
// give too.
std::vector<std::uint8_t> sameForAnyWorkers(const std::filesystem::path& file, const std::string& what)
{
    const std::vector<std::uint8_t> once = average(file, 1);
    for (unsigned workers : {2u, 3u, 7u, 16u})
        EXPECT_EQ(average(file, workers), once) << what << ", " << workers << " workers";
    return once;
}

// The pictures with each pixel's blue byte taken as an index into the
// palette (0x00RRGGBB entries).
Picture throughPalette(const Picture& indices, const std::vector<std::uint32_t>& palette)
{
    Picture coloured = indices;
    for (std::size_t i = 0; i < coloured.bgr.size(); i += 3) {
        const std::uint32_t colour = palette[indices.bgr[i]];
        coloured.bgr[i] = std::uint8_t(colour);
        coloured.bgr[i + 1] = std::uint8_t(colour >> 8);
        coloured.bgr[i + 2] = std::uint8_t(colour >> 16);
    }
    return coloured;
}

// A JPEG file without the segments of the given markers before its scan
// (0xDB: quantisation tables, 0xC4: Huffman tables), as JPEG's abbreviated
// form leaves them out of all but a stream's first picture.
std::vector<std::uint8_t> withoutSegments(const std::vector<std::uint8_t>& jpeg, const std::set<int>& markers)
{
    std::vector<std::uint8_t> kept(jpeg.begin(), jpeg.begin() + 2);
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at + 1] != 0xDA) {
        const std::size_t end = at + 2 + (std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3]);
        if (!markers.contains(jpeg[at + 1]))
            kept.insert(kept.end(), jpeg.begin() + std::ptrdiff_t(at), jpeg.begin() + std::ptrdiff_t(end));
        at = end;
    }
    kept.insert(kept.end(), jpeg.begin() + std::ptrdiff_t(at), jpeg.end());
    return kept;
}

// An MJPEG AVI of the JPEG files, its header saying the given size.
void saveMjpegAvi(const std::filesystem::path& file, const std::vector<std::vector<std::uint8_t>>& jpegs,
                  int width = 854, int height = 480)
{
    RiffAvi avi;
    const int video = avi.addVideo({.width = width, .height = height, .codec = "MJPG"});
    for (const auto& jpeg : jpegs)
        avi.addChunk(video, jpeg);
    avi.save(file);
}

}  // namespace

// What a decoder keeps from one picture to the next holds on every worker
// as it would for one decoder reading the whole file: tables that only the
// first picture carries, or the first after a change, and the size of the
// first picture, against which a smaller one is a change of size (a decoder
// that never saw the first would take it for one field of an interlaced
// frame).
TEST(Workers, EveryDecoderKnowsWhatTheFirstPictureSaid)
{
    ScratchDirectory directory;
    // Pictures large enough to go to the workers one at a time.
    const auto pictures = movingSquarePictures(854, 480, 12);
    // A fixed quantiser and the standard Huffman tables: the same tables in
    // every picture of each half, so that the abbreviated file, with tables
    // in the first picture of each half only, decodes as the whole one.
    auto jpegs = jpegFiles(directory / "frame.jpg", pictures, "qmin=2:qmax=2:huffman=default");
    const auto coarse = jpegFiles(directory / "frame.jpg", pictures, "qmin=20:qmax=20:huffman=default");
    std::copy(coarse.begin() + 6, coarse.end(), jpegs.begin() + 6);
    saveMjpegAvi(directory / "whole.avi", jpegs);
    const std::vector<std::uint8_t> whole = average(directory / "whole.avi", 1);
    EXPECT_LE(largestDifference(whole, expectedAverage(pictures)), 8);
    for (const std::set<int>& markers : {std::set{0xDB}, std::set{0xDB, 0xC4}}) {
        auto abbreviated = jpegs;
        for (std::size_t i = 1; i < abbreviated.size(); ++i)
            if (i != 6)
                abbreviated[i] = withoutSegments(jpegs[i], markers);
        ASSERT_LT(abbreviated[1].size(), jpegs[1].size());
        saveMjpegAvi(directory / "abbreviated.avi", abbreviated);
        EXPECT_EQ(sameForAnyWorkers(directory / "abbreviated.avi", "tables in the first picture"), whole);
    }

    const auto small = jpegFiles(directory / "frame.jpg", movingSquarePictures(426, 240, 1));
    for (std::size_t changed : {1u, 5u}) {
        auto mixed = jpegs;
        mixed[changed] = small[0];
        saveMjpegAvi(directory / "mixed.avi", mixed);
        const std::string expected = "picture size changes from 854x480 to 426x240 at frame " + std::to_string(changed);
        for (int run = 0; run < 3; ++run)
            for (unsigned workers : {1u, 2u, 16u})
                EXPECT_EQ(failureOf(directory / "mixed.avi", workers), expected) << workers << " workers";
    }
}

TEST(Workers, DroppedFramesAnywhereCountOnce)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(6, 4, 30, 9);
    std::vector<int> shown;
    for (int i = 0; i < 30; ++i)
        shown.push_back(1 + i * 7 % 3);
    for (bool withIndex : {true, false}) {
        const auto file = directory / "dropped.avi";
        uncompressedAvi(pictures, {}, shown).save(file, withIndex);
        EXPECT_EQ(sameForAnyWorkers(file, withIndex ? "indexed" : "no index"), expectedAverage(pictures, shown));
    }
}

// Each picture takes the palette in force when it was stored, whichever
// worker decodes it.
TEST(Workers, APaletteThatChangesMidFileColoursEachPicture)
{
    ScratchDirectory directory;
    std::vector<std::uint32_t> first, second;
    for (std::uint32_t i = 0; i < 256; ++i) {
        first.push_back(i * 0x010101u);
        second.push_back((255 - i) * 0x010000u | (i * 7 % 256));
    }
    const std::vector<Picture> indices = noisePictures(7, 5, 8, 21);
    std::vector<Picture> coloured;
    RiffAvi avi;
    const int video = avi.addVideo({.width = 7, .height = 5, .bitCount = 8, .palette = first});
    for (std::size_t i = 0; i < indices.size(); ++i) {
        if (i == 4)
            avi.addPaletteChange(video, second);
        avi.addChunk(video, bitmapRows(indices[i], 8));
        coloured.push_back(throughPalette(indices[i], i < 4 ? first : second));
    }
    for (bool withIndex : {true, false}) {
        avi.save(directory / "palettes.avi", withIndex);
        EXPECT_EQ(sameForAnyWorkers(directory / "palettes.avi", "palette change"), expectedAverage(coloured))
            << withIndex;
    }
}

// Key frames every few frames with B-frames between (open GOPs), and an
// index that calls every frame a key frame: nothing is read from a frame
// that needs others before it.
TEST(Workers, KeyFramesAndTheIndexsFlagsDoNotMatter)
{
    ScratchDirectory directory;
    const auto pictures = movingSquarePictures(48, 32, 40);
    const auto expected = expectedAverage(pictures);
    const ClipFormat formats[] = {
        {.encoder = "mpeg4", .pixelFormat = "yuv420p", .keyFrameInterval = 4, .options = "bf=2:q=2"},
        {.encoder = "libx264", .pixelFormat = "yuv420p", .keyFrameInterval = 4, .options = "bf=3:open_gop=1:crf=10"},
        {.encoder = "mpeg2video", .pixelFormat = "yuv420p", .keyFrameInterval = 3, .options = "bf=2:q=2"},
        {.encoder = "ffv1", .pixelFormat = "bgr0", .keyFrameInterval = 7},
    };
    for (const ClipFormat& format : formats) {
        if (skipsRowWithoutEncoder(format.encoder))
            continue;
        const auto file = directory / "clip.avi";
        writeClip(file, pictures, format);
        const std::vector<std::uint8_t> honest = sameForAnyWorkers(file, format.encoder);
        EXPECT_LE(largestDifference(honest, expected), 12) << format.encoder;

        std::vector<std::uint8_t> bytes = readFile(file);
        const std::size_t index = findFourcc(bytes, "idx1");
        ASSERT_LT(index, bytes.size());
        for (std::size_t entry = index + 8; entry + 16 <= bytes.size(); entry += 16)
            bytes[entry + 4] |= 0x10;  // AVIIF_KEYFRAME
        writeFile(file, bytes);
        EXPECT_EQ(sameForAnyWorkers(file, format.encoder + ", every frame a key frame"), honest);
    }
}

TEST(Workers, AnIndexEntryPastTheEndIsNotAFrame)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(5, 4, 10, 13);
    RiffAvi avi = uncompressedAvi(pictures, {.claimedLength = 10});
    avi.addIndexOnlyEntry(0, 60);
    avi.save(directory / "past.avi");
    EXPECT_EQ(sameForAnyWorkers(directory / "past.avi", "index past the end"), expectedAverage(pictures));
}

// The first frame that cannot be read is named, however many workers read.
TEST(Workers, TheFirstFrameThatFailsIsNamedForAnyWorkers)
{
    ScratchDirectory directory;
    const auto pictures = noisePictures(4, 4, 8, 12);
    uncompressedAvi(pictures, {.claimedLength = 12}).save(directory / "short.avi");

    const auto squares = movingSquarePictures(32, 16, 12);
    auto jpegs = jpegFiles(directory / "frame.jpg", squares);
    for (std::size_t i : {5u, 9u})
        std::fill(jpegs[i].begin() + 2, jpegs[i].end(), 0x55);  // only the start marker is left
    saveMjpegAvi(directory / "damaged.avi", jpegs, 32, 16);

    // A damaged stretch in MPEG-4: the decoder patches the pictures up, and
    // says so.
    writeClip(directory / "mpeg4.avi", movingSquarePictures(48, 32, 30),
              {.encoder = "mpeg4", .pixelFormat = "yuv420p", .options = "bf=2:q=2"});
    std::vector<std::uint8_t> bytes = readFile(directory / "mpeg4.avi");
    const std::size_t middle = (findFourcc(bytes, "movi") + findFourcc(bytes, "idx1")) / 2;
    for (std::size_t i = middle; i < middle + 30; ++i)
        bytes[i] ^= 0x5A;
    writeFile(directory / "mpeg4.avi", bytes);

    for (unsigned workers : {1u, 2u, 3u, 7u, 16u}) {
        EXPECT_EQ(failureOf(directory / "mpeg4.avi", workers).substr(0, 18), "cannot read frame ") << workers;
        EXPECT_EQ(failureOf(directory / "short.avi", workers),
                  "cannot read frame 8 of 12 (damaged, or shorter than its header says)");
        EXPECT_EQ(failureOf(directory / "damaged.avi", workers), "cannot read frame 5 of 12: Invalid data found when processing input")
            << workers;
    }
}

// Pictures of one band of sums and of many, up to 4K, added by 1 to 16
// workers at once: each pixel's exact mean, whatever the count.
TEST(Workers, EveryPictureSizeGivesTheExactMeanOnAnyWorkers)
{
    struct Case {
        ClipFormat format;
        int width, height, frames;
    };
    const Case cases[] = {
        {{"rawvideo", "bgr24"}, 7, 10000, 12},   // two bands of a single column's width
        {{"huffyuv", "bgra"}, 854, 480, 20},
        {{"utvideo", "gbrp"}, 1080, 97, 20},
        {{"rawvideo", "bgr24"}, 3840, 2160, 5},
    };
    ScratchDirectory directory;
    for (const Case& c : cases) {
        const auto pictures = noisePictures(c.width, c.height, c.frames, 5);
        const auto file = directory / (c.format.encoder + ".avi");
        writeClip(file, pictures, c.format);
        const auto expected = expectedAverage(pictures);
        for (unsigned workers : {1u, 2u, 3u, 16u})
            EXPECT_EQ(average(file, workers), expected) << c.format.encoder << " " << c.width << "x" << c.height
                                                        << ", " << workers << " workers";
    }
}
