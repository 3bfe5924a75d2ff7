// One video stream of a file, read through FFmpeg, as the AVIFile functions
// see it: a numbered sequence of positions. In AVI each holds either a coded
// picture or an empty chunk (a dropped frame, which repeats the picture
// before it); in other containers each is the next picture in display order.
#pragma once

#include "avifile.h"
#include "descriptor_input.h"
#include "dib_converter.h"
#include "ffmpeg_raii.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

struct AVPacket;
struct AVStream;

class AviStream {
public:
    // Opens the video stream with the given number (0 for the first) of an
    // open file.
    static HRESULT open(int descriptor, const char* fileName, LONG number, std::unique_ptr<AviStream>& stream);

    AVISTREAMINFOA info() const;
    LONG length() const { return length_; }

    // As AVIStreamFindSample, for FIND_KEY with FIND_NEXT or FIND_PREV, and
    // FIND_ANY with FIND_NEXT; -1 when there is no such sample.
    LONG findSample(LONG position, LONG flags);

    bool openDecoder();

    // The picture shown at a position as a packed bitmap, or null when it
    // cannot be produced. Valid until the next call.
    const BITMAPINFOHEADER* frameAt(LONG position);

private:
    struct CodedPicture {
        std::int64_t position;
        PacketPtr packet;
    };

    bool countFrames(std::int64_t& frames);
    bool rewind();
    LONG findKeyFrame(LONG position, LONG flags) const;
    std::optional<std::int64_t> findNonEmptyFrom(std::int64_t position);
    bool readAhead();
    bool send(AVPacket& packet);
    bool decodeNextPicture();
    bool seekTo(std::int64_t position);

    DescriptorInput input_;
    bool avi_ = false;
    AVStream* stream_ = nullptr;
    LONG length_ = 0;

    // Demuxing. Positions count from the stream's first chunk, whose timestamp
    // (the stream's start offset) is firstDts_.
    PacketPtr packet_;
    std::optional<std::int64_t> firstDts_;
    std::int64_t nextPosition_ = 0;  // position of the next chunk the demuxer returns
    bool demuxEnded_ = false;
    std::deque<CodedPicture> ahead_;  // read, not yet sent to the decoder
    std::vector<PacketPtr> spare_;    // sent and emptied, for reuse
    std::vector<std::uint8_t> palette_;  // of a palettized stream, as its first picture carries it

    // Decoding. Pictures come out in display order; each one is shown at the
    // smallest position sent to the decoder and not yet given a picture.
    CodecContextPtr decoder_;
    FramePtr picture_;
    std::deque<std::int64_t> sent_;
    bool draining_ = false;
    bool decoderHasPalette_ = false;
    std::int64_t picturePosition_ = -1;  // position of picture_; -1 when none is held
    std::int64_t knownFrom_ = 0;         // every non-empty position from here on is still ahead
    std::optional<DibConverter> converter_;
    const BITMAPINFOHEADER* bitmap_ = nullptr;  // picture_ converted, null until needed
};

// A frame access handle; it reads through its stream.
class AviGetFrame {
public:
    explicit AviGetFrame(AviStream& stream) : stream(stream) {}
    AviStream& stream;
};
