#pragma once

#include "image/grey_image.h"

#include <atomic>
#include <functional>
#include <thread>

// Reads every frame of the file's first video stream and returns, per pixel,
// the mean of its values with one occurrence of the largest left out. Throws
// std::runtime_error with the reason when the video cannot be read in full.
//
// The file is read once. Codecs that code each picture on its own (MJPEG,
// uncompressed, HuffYUV, ...) are decoded on up to `workers` threads, as many
// as the picture size lets share 64 MB; the result is the same either way.
//
// With showProgress, a progress line for the file is kept on standard error
// while it is read and the flag is set (it may be set later), and erased
// before the function returns or throws.
//
// `opened`, if given, is told once the file is open whether reading it keeps
// every core busy (so that the caller may read another file meanwhile).
GreyImage averageVideo(const char* fileName, unsigned workers = std::thread::hardware_concurrency(),
                       const std::atomic<bool>* showProgress = nullptr,
                       const std::function<void(bool fillsCores)>& opened = {});
