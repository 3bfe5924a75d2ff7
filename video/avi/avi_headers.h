// What this program reads of an AVI file on its own, for what FFmpeg's
// demuxer does not hand over, found in one walk of the file's RIFF list: the
// video stream's format (its strf chunk), where the movi list lies, and what
// the idx1 index records of the stream.
#pragma once

#include "video/avi/avi_index.h"
#include "video/avi/riff_chunks.h"

#include <cstdint>
#include <optional>
#include <vector>

class LocalFile;

struct AviHeaders {
    std::vector<std::uint8_t> format;  // the stream's strf chunk, its first 52 bytes at most
    std::optional<RiffChunk> movi;
    std::optional<AviIndexCount> index;
};

// The headers of the stream with the given number; parts the file does not
// hold, or that cannot be read, are left empty.
AviHeaders readAviHeaders(const LocalFile& file, int stream);
