// FFmpeg's log, which this program never prints: the demuxers and decoders
// warn about many good files, and failures are reported in its own words.
// What it keeps of the log is whether an error was logged, as the `ffmpeg`
// command shows at `-v error`: a decoder that logs one has met damage, even
// where it still gives a picture.
#pragma once

#include <cstdint>

// Takes FFmpeg's log from now on, in place of printing it. Call once.
void watchFFmpegLog();

// Counts the errors FFmpeg logs on the calling thread from its making on.
class LoggedErrors {
public:
    LoggedErrors();
    bool any() const;

private:
    std::uint64_t before_;
};
