// AVI bitmaps whose colours lie where masks in the format say
// (BI_BITFIELDS), as screen and capture programs write them. FFmpeg reads
// every such stream as 16-bit 5-6-5 bottom-up: it refuses 32-bit ones as
// damaged and shows top-down ones upside down.
#pragma once

#include <cstdint>
#include <vector>

struct AVStream;

// Describes an AVI video stream of such bitmaps to FFmpeg as the
// uncompressed RGB that it is, from the format the file holds (the bytes of
// its strf chunk): 32-bit with
// 8-bit red, green and blue masks (00FF0000, 0000FF00, 000000FF), 16-bit
// 5-6-5 (F800, 07E0, 001F) or 5-5-5 (7C00, 03E0, 001F), a 16-bit format
// without masks being 5-6-5. Leaves any other stream as it is. Throws
// std::runtime_error naming the masks of any other layout.
void describeBitFields(const std::vector<std::uint8_t>& format, AVStream& stream);
