// A worker's decoder, which knows the frame positions its pictures are to
// fill: each coded picture sent with a position takes a slot, and each
// picture that comes out, in display order, fills the earliest slot left.
#pragma once

#include "video/decoder.h"
#include "video/demuxer.h"
#include "video/picture_to_blue.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

struct AVStream;

class FrameDecoder {
public:
    // threads as Decoder's.
    FrameDecoder(const AVStream& stream, int threads);

    // A run of frame positions that one picture fills.
    struct Slot {
        std::int64_t position;
        std::int64_t frames;
    };
    using Delivery = std::function<void(const AVFrame& picture, Slot slot)>;

    // A picture that will not come: at which position, FFmpeg's error (0 for
    // none), and whether the decoder refused it for its size.
    struct Loss {
        std::int64_t position;
        int error;
        bool tooLarge;
    };

    // Sends a coded picture (null: the end, which drains the decoder) and
    // hands every picture that comes out to `deliver`. Returns the loss where
    // the decoder failed, or where it gave nothing for a picture coded on its
    // own (`eachAtOnce`), which it would have given at once.
    std::optional<Loss> send(const CodedPicture* coded, bool eachAtOnce, const Delivery& deliver);

    // After the end: the first position sent whose picture never came out.
    std::optional<std::int64_t> unfilled() const;

    // Decodes a picture once, before any other, for nothing but the state it
    // leaves in the decoder; what comes out is dropped.
    void prime(const AVPacket& first);

    // The blue of the pictures it gives.
    PictureToBlue& toBlue() { return toBlue_; }
    // As Decoder's.
    int pixelFormat() const { return decoder_.pixelFormat(); }

private:
    Decoder decoder_;
    PictureToBlue toBlue_;
    std::deque<Slot> slots_;  // of the pictures sent and not yet out, in display order
    bool primed_ = false;
};
