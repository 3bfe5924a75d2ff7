// What an AVI file's idx1 index records for one stream, read on our own:
// FFmpeg's index leaves out entries of size 0 (dropped frames that some
// writers record only in the index, with no chunk in the file).
#pragma once

#include "video/avi/riff_chunks.h"

#include <cstdint>
#include <optional>

class LocalFile;

struct AviIndexCount {
    std::int64_t entries = 0;        // the stream's entries, those of size 0 included
    std::int64_t trailingEmpty = 0;  // how many of them, at the end, are of size 0
};

// The count for the video stream with the given number, from the file's idx1
// chunk; none when it cannot be read.
std::optional<AviIndexCount> countAviIndex(const LocalFile& file, RiffChunk idx1, int stream);
