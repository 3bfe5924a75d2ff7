// A demuxer that reads one open file through its descriptor and can reach
// nothing else: no protocol (file, http, pipe, ...) is allowed, and every
// attempt to open a further resource (a playlist's entries, a script's
// files, a manifest's segments) is refused. Reads use pread at the input's own
// offset, so several inputs can share one descriptor.
#pragma once

#include "video/ffmpeg_raii.h"

#include <cstdint>
#include <memory>

struct AVFormatContext;

class DescriptorInput {
public:
    // Opens the file for demuxing; the name is used for messages and for
    // guessing the format from its extension. Returns 0 or an FFmpeg error.
    int open(int descriptor, const char* name);

    AVFormatContext* format() const { return format_.get(); }
    // The errno of the last read the system refused, 0 when none was.
    int readError() const { return position_ ? position_->readError : 0; }

private:
    struct Position {
        int descriptor;
        std::int64_t offset = 0;
        int readError = 0;  // errno of the last failed read
    };

    std::unique_ptr<Position> position_;  // the callbacks' state, at a fixed address
    IoContextPtr io_;                     // freed after format_ is closed
    FormatContextPtr format_;
};
