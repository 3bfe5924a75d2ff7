// make_seed_corpus DIR
// Writes small valid AVI files of every kind the tests make: the starting
// points of the fuzzer.

#include "samples/clip_writer.h"
#include "tests/support/pictures.h"
#include "tests/support/riff_avi.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seed_corpus DIR\n");
        return 2;
    }
    try {
        const std::filesystem::path directory = argv[1];
        std::filesystem::create_directories(directory);
        const auto pictures = noisePictures(6, 4, 3);

        uncompressedAvi(pictures).save(directory / "bottom-up.avi");
        uncompressedAvi(pictures, {.topDown = true}).save(directory / "top-down.avi");
        uncompressedAvi(pictures, {.start = 2}, {2, 1, 3}).save(directory / "dropped.avi", false);
        uncompressedAvi(pictures, {.claimedLength = 9}).save(directory / "short.avi");

        RiffAvi palettized;
        RiffVideoStream format{.width = 4, .height = 2, .bitCount = 8};
        for (std::uint32_t i = 0; i < 4; ++i)
            format.palette.push_back(i * 0x404040);
        const int indexed = palettized.addVideo(format);
        palettized.addChunk(indexed, {0, 1, 2, 3, 3, 2, 1, 0});
        palettized.addChunk(indexed, {3, 3, 3, 3, 0, 0, 0, 0});
        palettized.save(directory / "palette.avi");

        RiffAvi mixed;
        const int audio = mixed.addAudio();
        const int wide = mixed.addVideo({.width = 2, .height = 2, .bitCount = 32});
        for (int i = 0; i < 2; ++i) {
            mixed.addChunk(audio, std::vector<std::uint8_t>(16, 128));
            mixed.addChunk(wide, std::vector<std::uint8_t>(16, std::uint8_t(40 * i)));
        }
        mixed.save(directory / "audio-first.avi");

        const ClipFormat formats[] = {
            {.encoder = "ffv1", .pixelFormat = "bgr0", .keyFrameInterval = 2},
            {.encoder = "mjpeg", .pixelFormat = "yuvj420p"},
            {.encoder = "libx264", .pixelFormat = "yuv420p", .options = "bf=2"},
            {.encoder = "mpeg4", .pixelFormat = "yuv420p"},
            {.encoder = "huffyuv", .pixelFormat = "rgb24"},
            {.encoder = "utvideo", .pixelFormat = "gbrp"},
            {.encoder = "msvideo1", .pixelFormat = "rgb555le"},
            {.encoder = "cinepak", .pixelFormat = "rgb24"},
        };
        const auto small = movingSquarePictures(16, 16, 4);
        for (const ClipFormat& clip : formats) {
            ClipWriter writer((directory / (clip.encoder + ".avi")).string(), 16, 16, clip);
            for (const Picture& picture : small)
                writer.write(picture.bgr.data(), 3 * 16);
            writer.finish();
        }
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "make_seed_corpus: %s\n", failure.what());
        return 1;
    }
    return 0;
}
