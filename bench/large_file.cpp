// large_file DIR [FRAMES [WIDTH HEIGHT]]
// Writes DIR/large-FRAMES-WIDTHxHEIGHT.avi, an uncompressed video of FRAMES
// frames (by default 700 of 1920 x 1080: over 4 GiB, which FFmpeg's muxer
// stores as OpenDML, several RIFF segments each with its own index), unless
// it is there already; then averages it and compares the bitmap with the one
// computed from the pictures it was made of. 5184000 frames of 2 x 2 are a
// day at 60 frames a second: an index of that many entries.

#include "average/average_video.h"
#include "samples/clip_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int patterns = 7;  // distinct pictures, shown in turn

std::uint8_t blueOf(int pattern, int x, int y)
{
    return std::uint8_t((x * 7 + y * 13 + pattern * 37 + (x * y) % (pattern + 3)) & 0xFF);
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char* argv[])
{
    const int frames = argc >= 3 ? std::atoi(argv[2]) : 700;  // 700 x 6.2 MB: 4.35 GB
    const int width = argc == 5 ? std::atoi(argv[3]) : 1920;
    const int height = argc == 5 ? std::atoi(argv[4]) : 1080;
    if (argc < 2 || argc == 4 || argc > 5 || frames < 2 || width < 1 || height < 1) {
        std::fprintf(stderr, "usage: large_file DIR [FRAMES [WIDTH HEIGHT]]\n");
        return 2;
    }
    try {
        const std::string size = std::to_string(width) + "x" + std::to_string(height);
        const std::filesystem::path file =
            std::filesystem::path(argv[1]) / ("large-" + std::to_string(frames) + "-" + size + ".avi");
        if (!std::filesystem::exists(file)) {
            const auto start = std::chrono::steady_clock::now();
            ClipWriter writer(file.string() + ".part", width, height,
                              {.encoder = "rawvideo", .pixelFormat = "bgr24", .container = "avi"});
            std::vector<std::uint8_t> picture(3 * std::size_t(width) * std::size_t(height));
            for (int frame = 0; frame < frames; ++frame) {
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        std::uint8_t* pixel = &picture[3 * (std::size_t(y) * width + x)];
                        pixel[0] = blueOf(frame % patterns, x, y);
                        pixel[1] = std::uint8_t(x);
                        pixel[2] = std::uint8_t(y);
                    }
                writer.write(picture.data(), 3 * width);
            }
            writer.finish();
            std::filesystem::rename(file.string() + ".part", file);
            std::printf("wrote %s: %.2f GB in %.1f s\n", file.c_str(), double(std::filesystem::file_size(file)) / 1e9,
                        secondsSince(start));
        }

        std::vector<std::uint8_t> expected(std::size_t(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint64_t sum = 0;
                std::uint8_t largest = 0;
                for (int pattern = 0; pattern < patterns; ++pattern) {
                    const std::uint64_t shown = frames / patterns + (pattern < frames % patterns ? 1 : 0);
                    sum += shown * blueOf(pattern, x, y);
                    largest = std::max(largest, blueOf(pattern, x, y));
                }
                expected[std::size_t(y) * width + x] = std::uint8_t((sum - largest) / (frames - 1));
            }

        bool same = true;
        for (unsigned workers : {1u, 2u}) {
            const auto start = std::chrono::steady_clock::now();
            const GreyImage image = averageVideo(file.string(), {.workers = workers});
            const double seconds = secondsSince(start);
            const bool equal = std::equal(expected.begin(), expected.end(), image.pixels.data());
            std::printf("averaged with %u worker%s in %.2f s: %s\n", workers, workers > 1 ? "s" : "", seconds,
                        equal ? "the expected bitmap" : "WRONG");
            same &= equal;
        }
        return same ? 0 : 1;
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "large_file: %s\n", failure.what());
        return 1;
    }
}
