// A single-channel image, one byte per pixel, and its 8-bit greyscale BMP
// form.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Pixel j is row j / width, column j % width; rows follow each other without
// gaps, the top row of the picture first.
struct GreyImage {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::vector<std::uint8_t> pixels;
};

// Hands the bytes of the image's 8-bit BMP form, with a 256-level grey
// palette, to `sink` piece by piece, in the order of the file.
using ByteSink = std::function<void(const std::uint8_t* bytes, std::size_t size)>;
void encodeBmp(const GreyImage& image, const ByteSink& sink);
// The size of that form, in bytes.
std::size_t bmpSize(const GreyImage& image);

// Writes the image's BMP form to `name`, replacing any earlier file of that
// name only once the new one is complete (see replace_file.h). Returns 0, or
// the errno value of the failure.
int saveBmp(const GreyImage& image, const char* name);
