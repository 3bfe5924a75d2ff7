// The 8-bit greyscale BMP form of an image, with a 256-level grey palette.
#pragma once

#include "image/grey_image.h"
#include "system/byte_sink.h"

#include <cstddef>

// Hands the bytes of the image's BMP form to `sink` piece by piece, in the
// order of the file.
void encodeBmp(const GreyImage& image, const ByteSink& sink);

// The size of that form, in bytes.
std::size_t bmpSize(const GreyImage& image);
