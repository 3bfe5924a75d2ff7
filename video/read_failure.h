// How the failure to read a frame is worded.
#pragma once

#include "video/frame_count.h"

#include <cstdint>
#include <string>

// "cannot read frame P of N", with FFmpeg's error where it says more than
// that the data ended or did not fit (EINVAL, from decoders given less than a
// picture); AVERROR(ENOSYS) is a pixel format that cannot be converted.
std::string cannotReadFrame(std::int64_t position, const FrameCount& count, int error = 0);
