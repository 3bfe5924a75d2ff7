// An AVI file's video stream as this program reads it beside FFmpeg's
// demuxer: every chunk is a frame position, an empty one (a dropped frame)
// too, and what FFmpeg leaves out is read from the file itself in one walk of
// its headers (avi_headers.h).
#pragma once

#include "video/avi/avi_headers.h"

#include <cstdint>
#include <utility>
#include <vector>

class LocalFile;
struct AVFormatContext;
struct AVStream;

class AviStream {
public:
    // Sets up the demuxer's reading of the stream, before its first read:
    // chunks come out as they are stored, without a parser (MJPEG and MPEG-4
    // ones too, which the decoders take so), empty ones too, also at the end
    // of the file; bitmaps with colour masks are described as the RGB they
    // are. Throws std::runtime_error for masks that cannot be read.
    AviStream(const LocalFile& file, AVFormatContext& format, AVStream& stream);

    const AviHeaders& headers() const { return headers_; }

    // The palette the pictures start with: grey levels for a bitmap of 2 to
    // 8 bits whose format has no colour table (FFmpeg would show every index
    // black; a palette the file has comes with the first packet); empty for
    // the others.
    const std::vector<std::uint8_t>& firstPalette() const { return firstPalette_; }

    // The position after the stream's last, given the one after the last
    // chunk read: dropped frames that only the index records, after the last
    // chunk, count too.
    std::int64_t end(std::int64_t afterChunks) const;

private:
    AviHeaders headers_;
    std::vector<std::uint8_t> firstPalette_;
    // The positions of the empty entries that end the index, if any.
    std::pair<std::int64_t, std::int64_t> emptyIndexEntries_ = {INT64_MAX, 0};
};
