// How many frames a video has, as its container states it, without reading
// the file further: what the progress line and the messages name.
#pragma once

#include <cstdint>
#include <string>

struct AVFormatContext;
struct AVStream;

struct FrameCount {
    std::int64_t frames = 0;   // 0: the container states none
    bool approximate = false;  // reckoned from the stream's duration and frame rate

    // " of N", " of about N", or nothing, for naming a frame of the video.
    std::string ofAll() const;
};

// In AVI the count the header records, dropped frames included, unless it
// says 0 (as a recorder that was killed or wrote to a pipe leaves it) or more
// than 2^31 - 1 (0xFFFFFFFF: -1, "unknown", read as unsigned). Elsewhere the
// count the container records (MP4's and MOV's samples, which may include
// frames an edit list hides), else one reckoned from the stream's duration,
// or the file's (Matroska records only the file's). At most 2^31 - 1.
FrameCount statedFrameCount(const AVFormatContext& format, const AVStream& stream, bool avi);
