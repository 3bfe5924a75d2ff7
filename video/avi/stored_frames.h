// The pictures of an AVI stream of uncompressed frames read where they lie
// in the file, on several threads at once, each into a buffer of its own,
// rather than copied out by the demuxer one after the other. They come as
// the demuxer would give them: the same chunks, frame positions, runs of
// dropped frames and palette, so that decoding them gives the same pictures.
#pragma once

#include "video/avi/avi_stream.h"
#include "video/avi/chunk_walk.h"
#include "video/demuxer.h"
#include "video/earliest_failure.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class LocalFile;
struct AVStream;

class StoredFrames {
public:
    // The stream's frames, for an uncompressed stream whose chunks the file's
    // index and its chunks' headers agree on, all no larger than the first,
    // and where every way the demuxer may read them (chunk after chunk, or
    // along the index) gives the same positions, as the stream's headers
    // (avi_stream.h) and chunks show them. `first` is the demuxer's
    // first coded picture of the stream, as it read it. None for any other
    // stream: the demuxer reads it.
    static std::optional<StoredFrames> find(const LocalFile& file, const AviStream& avi, const AVStream& stream,
                                            const CodedPicture& first);

    // The position after the last, as the demuxer's end() gives it.
    std::int64_t end() const { return end_; }

    using Take = std::function<void(unsigned worker, const CodedPicture& coded)>;
    using Done = std::function<void(unsigned worker)>;
    // A frame that cannot be read: its position, and FFmpeg's error (0 where
    // the file ended before it or no longer holds the chunk there).
    using Fail = std::function<void(std::int64_t position, int error)>;

    // Reads every picture on `workers` threads numbered from 0, each handing
    // its pictures to `take` (valid during the call), then calling `done`.
    // Pictures at or after a failure's position are not read, and none is
    // handed out once there is one.
    void readAll(unsigned workers, const EarliestFailure& failure, const Take& take, const Done& done,
                 const Fail& fail) const;

private:
    StoredFrames(const LocalFile& file, int stream, std::vector<StoredChunk> pictures, std::int64_t end,
                 std::vector<std::uint8_t> palette);
    std::int64_t repeats(std::size_t picture) const;

    const LocalFile* file_;
    int stream_;
    std::vector<StoredChunk> pictures_;  // the first at position 0
    std::int64_t end_;
    std::vector<std::uint8_t> palette_;  // what goes with every picture; empty: none
};
