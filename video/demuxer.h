// The first video stream of an open file, demuxed once from start to end:
// its coded pictures in the file's order, each with the run of frame
// positions it fills.
#pragma once

#include "system/local_file.h"
#include "video/avi/avi_stream.h"
#include "video/ffmpeg_raii.h"
#include "video/file_input.h"
#include "video/position_numbering.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

struct AVFormatContext;
struct AVStream;

struct CodedPicture {
    PacketPtr packet;
    // Where the picture is shown; none for one that is decoded but hidden.
    std::optional<std::int64_t> position;
    // How many positions it fills: up to the next shown picture's, so that
    // dropped frames repeat it.
    std::int64_t repeats = 0;
};

class Demuxer {
public:
    // Throws std::runtime_error with a reason a person understands when the
    // file holds no video stream that can be read.
    explicit Demuxer(const LocalFile& file);

    const AVStream& stream() const { return *stream_; }
    const AVFormatContext& format() const { return *input_.format(); }
    // Whether positions are AVI chunks, and the frame count the header's.
    bool isAvi() const { return avi_.has_value(); }
    // What is read of an AVI file beside the demuxer; none in other files.
    const AviStream* avi() const { return avi_ ? &*avi_ : nullptr; }

    // The next coded picture, none after the last. Pictures shown come with
    // growing positions. A palette that a packet brings, an empty one too,
    // stays with every later picture, so each can be decoded on its own.
    std::optional<CodedPicture> next();

    // Once next() has returned none: the position after the last the file
    // holds, and FFmpeg's error if reading stopped on one (0 at the end).
    std::int64_t end() const { return end_; }
    int readError() const { return readError_; }
    // Once next() has returned none: whether the file gave fewer of the
    // stream's packets than its index listed on opening (a file cut short),
    // or none of the frames it states.
    bool endedEarly() const { return packetsRead_ < packetsPromised_; }

private:
    void chooseStream();
    void promisePackets();
    bool readAhead();
    void attachPalette(AVPacket& packet);

    FileInput input_;
    std::optional<AviStream> avi_;
    AVStream* stream_ = nullptr;
    PositionNumbering numbering_{false};
    std::deque<CodedPicture> ahead_;
    std::vector<std::uint8_t> palette_;  // the last one a packet brought
    bool ended_ = false;
    std::int64_t end_ = 0;
    int readError_ = 0;
    std::int64_t packetsRead_ = 0;
    std::int64_t packetsPromised_ = 0;
};
