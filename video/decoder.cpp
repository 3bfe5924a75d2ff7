#include "video/decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>

namespace {

// 8K video has 33 million pixels; a picture that claims more lies, and
// believing it could cost gigabytes.
constexpr std::int64_t maximumPixels = std::int64_t(1) << 25;

// The codec's four-character code, for messages: as letters when they are
// printable, else as a number.
std::string codecName(std::uint32_t fourcc)
{
    std::string name = "'";
    for (int shift = 0; shift < 32; shift += 8) {
        const char c = char(fourcc >> shift);
        if (c < ' ' || c > '~') {
            char number[16];
            std::snprintf(number, sizeof number, "0x%08X", fourcc);
            return number;
        }
        name += c;
    }
    return name + "'";
}

}  // namespace

bool codesPicturesAlone(const AVCodecParameters& parameters)
{
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(parameters.codec_id);
    return descriptor && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY);
}

void Decoder::checkHeaderSize(const AVCodecParameters& parameters)
{
    const std::int64_t width = parameters.width;
    const std::int64_t height = parameters.height;
    if (width <= 0 || height <= 0 || width * height > maximumPixels)
        throw std::runtime_error("unusable frame size " + std::to_string(width) + "x" + std::to_string(height));
}

Decoder::Decoder(const AVStream& stream, int threads)
{
    const AVCodecParameters& parameters = *stream.codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    if (!codec) {
        throw std::runtime_error(parameters.codec_tag == 0 ? "no decoder for this video"
                                                           : "no decoder for codec " + codecName(parameters.codec_tag));
    }
    // Uncompressed frames have the header's size; it must be one that can be
    // believed before anything of that size is allocated.
    if (parameters.codec_id == AV_CODEC_ID_RAWVIDEO)
        checkHeaderSize(parameters);

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
    // A damaged picture coded on its own fails, rather than coming out with
    // parts of whichever picture that decoder made before: with a decoder per
    // worker, those would depend on the timing.
    if (codesPicturesAlone(parameters))
        context_->err_recognition |= AV_EF_EXPLODE;
    context_->thread_count = threads;
    context_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(context_.get(), codec, nullptr) < 0)
        throw std::runtime_error(std::int64_t(parameters.width) * parameters.height > maximumPixels
                                     ? "picture larger than 2^25 pixels"
                                     : "cannot open the decoder");
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
