#include "video/decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <new>
#include <stdexcept>
#include <string>

namespace {

// 8K video has 33 million pixels; a picture that claims more lies, and
// believing it could cost gigabytes.
constexpr std::int64_t maximumPixels = std::int64_t(1) << 25;

// The codec's four-character code, for messages, when it is printable.
std::string codecName(std::uint32_t fourcc)
{
    std::string name;
    for (int shift = 0; shift < 32; shift += 8) {
        char c = char(fourcc >> shift);
        if (c < ' ' || c > '~')
            return {};
        name += c;
    }
    return name;
}

}  // namespace

Decoder::Decoder(const AVStream& stream, int threads)
{
    const AVCodecParameters& parameters = *stream.codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    if (!codec) {
        const std::string name = codecName(parameters.codec_tag);
        throw std::runtime_error(name.empty() ? "no decoder for this video" : "no decoder for codec '" + name + "'");
    }
    // Uncompressed frames have the header's size; it must be one that can be
    // believed before anything of that size is allocated.
    const std::int64_t width = parameters.width;
    const std::int64_t height = parameters.height;
    if (parameters.codec_id == AV_CODEC_ID_RAWVIDEO && (width <= 0 || height <= 0 || width * height > maximumPixels))
        throw std::runtime_error("unusable frame size " + std::to_string(width) + "x" + std::to_string(height));

    context_.reset(avcodec_alloc_context3(codec));
    picture_.reset(av_frame_alloc());
    if (!context_ || !picture_)
        throw std::bad_alloc();
    if (avcodec_parameters_to_context(context_.get(), &parameters) < 0)
        throw std::runtime_error("cannot set up the decoder");
    context_->pkt_timebase = stream.time_base;
    // Other codecs state their pictures' size in each picture: the decoder
    // refuses one that is too large before allocating it.
    context_->max_pixels = maximumPixels;
    context_->thread_count = threads;
    context_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(context_.get(), codec, nullptr) < 0)
        throw std::runtime_error("cannot open the decoder");
    hadSize_ = context_->width > 0 && context_->height > 0;
}

int Decoder::decode(const AVPacket* packet, const std::function<void(const AVFrame&)>& take)
{
    if (int sent = avcodec_send_packet(context_.get(), packet); sent < 0 && sent != AVERROR_EOF)
        return sent;
    for (;;) {
        const int received = avcodec_receive_frame(context_.get(), picture_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return 0;
        if (received < 0)
            return received;
        hadSize_ = true;
        take(*picture_);
        av_frame_unref(picture_.get());
    }
}

bool Decoder::refusedPictureSize() const { return hadSize_ && context_->width == 0 && context_->height == 0; }
