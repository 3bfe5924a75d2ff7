#include "video/frame_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

FrameDecoder::FrameDecoder(const AVStream& stream, int threads)
    : decoder_(stream, threads), toBlue_(*stream.codecpar)
{
}

std::optional<FrameDecoder::Loss> FrameDecoder::send(const CodedPicture* coded, bool eachAtOnce,
                                                     const Delivery& deliver)
{
    if (coded && coded->position)
        slots_.push_back({*coded->position, coded->repeats});
    const int error = decoder_.decode(coded ? coded->packet.get() : nullptr, [&](const AVFrame& picture) {
        if (slots_.empty())
            return;  // a picture that no packet accounts for
        const Slot slot = slots_.front();
        slots_.pop_front();
        deliver(picture, slot);
    });
    if (slots_.empty() || (error >= 0 && !(eachAtOnce && coded)))
        return std::nullopt;
    const Loss loss{slots_.front().position, error, decoder_.refusedPictureSize()};
    slots_.clear();
    return loss;
}

std::optional<std::int64_t> FrameDecoder::unfilled() const
{
    if (slots_.empty())
        return std::nullopt;
    return slots_.front().position;
}

void FrameDecoder::prime(const AVPacket& first)
{
    if (primed_)
        return;
    primed_ = true;
    decoder_.decode(&first, [](const AVFrame&) {});
}
