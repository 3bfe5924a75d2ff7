#pragma once

#include "grey_image.h"

#include <thread>

// Reads every frame of the file's first video stream and returns, per pixel,
// the mean of its values with one occurrence of the largest left out. Throws
// std::runtime_error with the reason when the video cannot be read in full.
//
// Where most of the stream's frames are key frames (MJPEG, uncompressed,
// HuffYUV, FFV1, ...), up to `workers` threads each decode a part of it with a
// reader of their own; the result is the same either way.
GreyImage averageVideo(const char* fileName, unsigned workers = std::thread::hardware_concurrency());
