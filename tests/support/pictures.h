// Test pictures, the averages expected of them, and file helpers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

// A picture as top-down rows of blue, green, red bytes, without padding.
struct Picture {
    int width;
    int height;
    std::vector<std::uint8_t> bgr;
};

// Pixels of independent pseudo-random values: any slip in arithmetic, row
// order or padding shows.
std::vector<Picture> noisePictures(int width, int height, int count, std::uint32_t seed = 1);

// A smooth still scene that a bright square crosses: what lossy codecs keep well.
std::vector<Picture> movingSquarePictures(int width, int height, int count);

// The rows of a bitmap of the picture, bottom row first unless `topDown`,
// each padded to four bytes: of 24-bit pixels, of 32-bit ones (blue, green,
// red, 0), of 16-bit ones that hold the top five bits of blue in their low
// bits (red and green 0, in 5-6-5 and 5-5-5 alike), or of 8-bit palette
// indices, which are the picture's blue bytes.
std::vector<std::uint8_t> bitmapRows(const Picture& picture, int bitCount = 24, bool topDown = false);

// The tool's result for pictures shown the given numbers of times (once each
// when empty): per pixel the blue values' mean after one largest value is left
// out, truncated; top row first.
std::vector<std::uint8_t> expectedAverage(const std::vector<Picture>& pictures, std::vector<int> shown = {});

std::vector<std::uint8_t> readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// The grey levels of an 8-bit greyscale BMP as FFmpeg's BMP decoder reads
// it, top row first.
std::vector<std::uint8_t> bmpPixels(const std::filesystem::path& path);

// The largest difference between two equally long byte strings.
int largestDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);

// The names of the files in a directory.
std::set<std::string> filesIn(const std::filesystem::path& directory);

// A fresh directory, removed with everything in it at the end of the test.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
