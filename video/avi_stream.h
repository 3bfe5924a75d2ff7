// The first video stream of a file, read through FFmpeg as a numbered
// sequence of positions. In AVI each position is a chunk that holds either a
// coded picture or nothing (a dropped frame, which repeats the picture before
// it); in other containers each is the next picture in display order.
#pragma once

#include "descriptor_input.h"
#include "ffmpeg_raii.h"
#include "local_file.h"

#include <climits>
#include <cstdint>
#include <utility>
#include <deque>
#include <optional>
#include <vector>

struct AVCodecParameters;
struct AVPacket;
struct AVStream;

class AviStream {
public:
    // Throws std::runtime_error with a reason a person understands when the
    // file holds no video stream that can be read.
    explicit AviStream(const LocalFile& file);

    const AVCodecParameters& parameters() const;
    // In AVI the header's count, dropped frames included; elsewhere the
    // pictures shown.
    std::int64_t length() const { return length_; }

    // The first key frame at or after the position, as the AVI index marks
    // them; none past the last one, and none at all elsewhere.
    std::optional<std::int64_t> nextKeyFrame(std::int64_t position) const;

    // The first position at or after the given one that holds a picture. At
    // the end: length() when only dropped frames follow, or the first position
    // missing from a file shorter than its header claims, so that reading it
    // fails instead of taking the missing frames for repeats.
    std::int64_t nextPicture(std::int64_t position);

    // Throws std::runtime_error when the stream's codec cannot be decoded.
    void openDecoder();

    // The picture shown at a position, or null when it cannot be decoded.
    // Valid until the next call.
    const AVFrame* pictureAt(std::int64_t position);

    // Whether the decoder refused a picture for its size (over 2^25 pixels):
    // FFmpeg then forgets the size.
    bool refusedPictureSize() const;

private:
    struct CodedPicture {
        std::int64_t position;
        PacketPtr packet;
    };

    void chooseStream();
    void countFrames();
    bool rewind();
    std::optional<std::int64_t> keyFrameAtOrBefore(std::int64_t position) const;
    std::optional<std::int64_t> findNonEmptyFrom(std::int64_t position);
    bool readAhead();
    void endDemuxing();
    bool send(AVPacket& packet);
    bool decodeNextPicture();
    bool seekTo(std::int64_t position);

    DescriptorInput input_;
    bool avi_ = false;
    AVStream* stream_ = nullptr;
    std::int64_t length_ = 0;

    // Demuxing. Positions count from the stream's first chunk, whose timestamp
    // (the stream's start offset) is firstDts_.
    PacketPtr packet_;
    std::optional<std::int64_t> firstDts_;
    std::int64_t nextPosition_ = 0;  // position of the next chunk the demuxer returns
    bool demuxEnded_ = false;
    std::deque<CodedPicture> ahead_;  // read, not yet sent to the decoder
    std::vector<PacketPtr> spare_;    // sent and emptied, for reuse
    std::vector<std::uint8_t> palette_;  // of a palettized stream, as its first picture carries it
    // The positions of the empty entries that end the AVI index, if any.
    std::pair<std::int64_t, std::int64_t> emptyIndexEntries_ = {INT64_MAX, 0};

    // Decoding. Pictures come out in display order; each one is shown at the
    // smallest position sent to the decoder and not yet given a picture.
    CodecContextPtr decoder_;
    FramePtr picture_;
    std::deque<std::int64_t> sent_;
    bool draining_ = false;
    bool decoderHasPalette_ = false;
    std::int64_t picturePosition_ = -1;  // position of picture_; -1 when none is held
    std::int64_t knownFrom_ = 0;         // every non-empty position from here on is still ahead
};
