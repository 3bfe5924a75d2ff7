// The average of one video file: per pixel, the mean of its blue values over
// all frames with one occurrence of the largest left out.
#pragma once

#include "image/grey_image.h"
#include "video/frame_count.h"

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

struct AverageOptions {
    // Codecs that code each picture on its own (MJPEG, uncompressed, HuffYUV,
    // ...) are decoded on up to this many threads, as many as the picture
    // size lets share 1 GiB; the result is the same for any number.
    unsigned workers = std::thread::hardware_concurrency();
    // Told once the file is open whether reading it keeps every core busy,
    // so that the caller may read another file meanwhile, and how many
    // frames the container states.
    std::function<void(bool fillsCores, FrameCount frames)> opened = nullptr;
    // Told of frames averaged, from whichever thread added them.
    std::function<void(std::int64_t frames)> averaged = nullptr;
};

// Reads every frame of the file's first video stream, once, and returns the
// average, turned upright as the stream's display matrix says. Throws
// std::runtime_error with the reason when the video cannot be read in full.
GreyImage averageVideo(const std::string& fileName, const AverageOptions& options = {});
