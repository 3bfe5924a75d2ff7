// A demuxer that reads one open file and can reach nothing else: no protocol
// (file, http, pipe, ...) is allowed, and every attempt to open a further
// resource (a playlist's entries, a script's files, a manifest's segments) is
// refused. Reads are made at the input's own offset, so several inputs can
// share one open file.
#pragma once

#include "video/ffmpeg_raii.h"

#include <cstdint>
#include <memory>

class LocalFile;
struct AVFormatContext;

class FileInput {
public:
    // Opens the file for demuxing; its name is used for messages and for
    // guessing the format from its extension. Returns 0 or an FFmpeg error.
    int open(const LocalFile& file);

    AVFormatContext* format() const { return format_.get(); }
    // The errno of the last read the system refused, 0 when none was.
    int readError() const { return position_ ? position_->readError : 0; }

private:
    struct Position {
        const LocalFile& file;
        std::int64_t offset = 0;
        int readError = 0;  // errno of the last failed read
    };

    // FFmpeg's reader of the file, and its callbacks: reads and seeks at
    // the Position they are given.
    int makeIoContext();
    static int read(void* position, std::uint8_t* buffer, int size);
    static std::int64_t seek(void* position, std::int64_t offset, int whence);

    std::unique_ptr<Position> position_;  // the callbacks' state, at a fixed address
    IoContextPtr io_;                     // freed after format_ is closed
    FormatContextPtr format_;
};
