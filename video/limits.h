// The most this program believes of a video file.
#pragma once

#include <cstddef>
#include <cstdint>

// 8K video has 33 million pixels; a picture that claims more lies, and
// believing it could cost gigabytes.
constexpr std::int64_t maximumPixels = std::int64_t(1) << 25;

// The largest single allocation FFmpeg may make for a file. What a real video
// needs at most: a decoded picture, or an uncompressed coded one, of
// maximumPixels at 8 bytes a pixel (four 16-bit components), 256 MiB; and
// the index of a day of video at 60 frames a second, 5.2 million entries of
// 24 bytes, 124 MB, in an array that grows by a sixteenth at a time. Twice
// the larger leaves room for padding and rarer layouts; a damaged header that
// claims a chunk of gigabytes fails at once instead of reserving them.
constexpr std::size_t largestAllocation = std::size_t(512) << 20;
