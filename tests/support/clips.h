// Test videos written through FFmpeg's encoders.
#pragma once

#include "samples/clip_writer.h"
#include "tests/support/pictures.h"

#include <cstdint>
#include <filesystem>
#include <vector>

// The pictures, one frame each, in the format and container given (the file
// name's extension when the format names none).
void writeClip(const std::filesystem::path& file, const std::vector<Picture>& pictures, const ClipFormat& format);

// The pictures as JPEG files, made one by one through a scratch file.
std::vector<std::vector<std::uint8_t>> jpegFiles(const std::filesystem::path& scratch,
                                                 const std::vector<Picture>& pictures);
