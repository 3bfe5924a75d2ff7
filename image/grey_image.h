// A single-channel image, one byte per pixel, and its 8-bit greyscale BMP form.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// Pixel j is row j / width, column j % width; rows follow each other without
// gaps, the bottom row of the picture first (as in a bottom-up bitmap).
class GreyImage {
public:
    // The pixels are left uninitialised.
    GreyImage(std::int32_t height, std::int32_t width);
    GreyImage(GreyImage&&) = default;

    // Writes the image as an 8-bit BMP with a 256-level grey palette. The file
    // is written in full under a temporary name and then renamed over `name`,
    // so a failed write leaves any earlier file of that name untouched.
    // Returns 0, or the errno value of the failure.
    int saveBmp(const char* name) const;

    std::unique_ptr<std::uint8_t[]> data;
    const std::int32_t height;
    const std::int32_t width;
};

// The bytes of the BMP file that saveBmp writes.
std::vector<std::uint8_t> encodeBmp(const GreyImage& image);

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary file of a bitmap
// being written before they end the process (unless they are ignored, as
// under nohup). Call once, at start-up.
void removePartialBitmapsOnSignals();
