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

// Whether a table's row needs an encoder this FFmpeg lacks (libx264 and
// libvpx in the Windows build's): then the row is to be left out, and a
// line on standard output says so.
bool skipsRowWithoutEncoder(const std::string& encoder);

// The pictures as JPEG files, made one by one through a scratch file, with
// the encoder options given.
std::vector<std::vector<std::uint8_t>> jpegFiles(const std::filesystem::path& scratch,
                                                 const std::vector<Picture>& pictures,
                                                 const std::string& options = "q=2");
