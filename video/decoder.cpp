#include "video/decoder.h"

#include "video/limits.h"
#include "video/logged_errors.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/macros.h>
#include <libavutil/pixdesc.h>
}

#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>

namespace {

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

// The most bytes an uncompressed picture of the decoder's size and format
// fills, as FFmpeg reads it: rows padded to four bytes as in bitmaps, except
// the planes of planar formats (NV12's aside), which it reads unpadded. It
// reads the first picture's worth of a longer packet as if it were the
// picture. None for the formats whose packets rightly hold more: the picture
// after other data, or a palette after the picture.
std::optional<std::int64_t> largestUncompressedPicture(const AVCodecContext& context)
{
    const std::uint32_t tag = context.codec_tag;
    if (tag == MKTAG('A', 'V', '1', 'x') || tag == MKTAG('A', 'V', 'u', 'p') || tag == MKTAG('P', 'A', 'L', 8))
        return std::nullopt;
    // Palette indices of 1, 2, 4 or 8 bits, which FFmpeg unpacks to bytes.
    if (context.pix_fmt == AV_PIX_FMT_PAL8) {
        const int coded = context.bits_per_coded_sample;
        const int bits = coded == 1 || coded == 2 || coded == 4 ? coded : 8;
        return FFALIGN((std::int64_t(context.width) * bits + 7) / 8, 4) * context.height;
    }
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(context.pix_fmt);
    if (!format)
        return std::nullopt;
    const bool rowsPadded = !(format->flags & AV_PIX_FMT_FLAG_PLANAR) || context.pix_fmt == AV_PIX_FMT_NV12;
    int rowBytes[4];
    if (av_image_fill_linesizes(rowBytes, context.pix_fmt, context.width) < 0)
        return std::nullopt;
    std::ptrdiff_t rows[4];
    for (int plane = 0; plane < 4; ++plane)
        rows[plane] = rowsPadded ? FFALIGN(rowBytes[plane], 4) : rowBytes[plane];
    std::size_t planeBytes[4];
    if (av_image_fill_plane_sizes(planeBytes, context.pix_fmt, context.height, rows) < 0)
        return std::nullopt;
    return std::int64_t(planeBytes[0] + planeBytes[1] + planeBytes[2] + planeBytes[3]);
}

}  // namespace

bool codesPicturesAlone(const AVCodecParameters& parameters)
{
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(parameters.codec_id);
    return descriptor && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY);
}

bool decoderThreadsPayOff(const AVCodecParameters& parameters)
{
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    return !codesPicturesAlone(parameters) && codec &&
           (codec->capabilities & (AV_CODEC_CAP_FRAME_THREADS | AV_CODEC_CAP_SLICE_THREADS)) &&
           std::int64_t(parameters.width) * parameters.height >= 640 * 360;
}

void Decoder::checkHeaderSize(const AVCodecParameters& parameters)
{
    const std::int64_t width = parameters.width;
    const std::int64_t height = parameters.height;
    if (width <= 0 || height <= 0)
        throw std::runtime_error("unusable frame size " + std::to_string(width) + "x" + std::to_string(height));
    if (width * height > maximumPixels)
        throw std::runtime_error("picture larger than 2^25 pixels");
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
    // Pictures come at their coded size with the crop the stream signals,
    // which picture_area.h takes at any offset.
    context_->apply_cropping = 0;
    context_->thread_count = threads;
    context_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(context_.get(), codec, nullptr) < 0)
        throw std::runtime_error(std::int64_t(parameters.width) * parameters.height > maximumPixels
                                     ? "picture larger than 2^25 pixels"
                                     : "cannot open the decoder");
    hadSize_ = context_->width > 0 && context_->height > 0;
    intraOnly_ = codesPicturesAlone(parameters);
    if (parameters.codec_id == AV_CODEC_ID_RAWVIDEO)
        largestPicture_ = largestUncompressedPicture(*context_);
    if (parameters.codec_id == AV_CODEC_ID_RAWVIDEO && context_->pix_fmt == AV_PIX_FMT_YUV420P)
        paddedPlanes_.emplace(context_->height, context_->width);
}

int Decoder::decode(const AVPacket* packet, const std::function<void(const AVFrame&)>& take)
{
    PacketPtr unpadded;
    if (packet && paddedPlanes_ && paddedPlanes_->holds(packet->size)) {
        unpadded = paddedPlanes_->unpadded(*packet);
        packet = unpadded.get();
    }
    // A chunk longer than its picture holds something else: a picture of
    // another size, or damage.
    if (packet && largestPicture_ && packet->size > *largestPicture_)
        return AVERROR_INVALIDDATA;
    // A decoder of pictures coded on their own runs on its caller's thread. A
    // picture it logs an error for is damaged, also where it still comes out:
    // then with parts of whichever picture that decoder made before, which
    // with a decoder per worker depend on the timing. Warnings are no damage.
    LoggedErrors logged;
    if (int sent = avcodec_send_packet(context_.get(), packet); sent < 0 && sent != AVERROR_EOF)
        return sent;
    for (;;) {
        const int received = avcodec_receive_frame(context_.get(), picture_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return 0;
        if (received < 0)
            return received;
        if (intraOnly_ && logged.any()) {
            av_frame_unref(picture_.get());
            return AVERROR_INVALIDDATA;
        }
        hadSize_ = true;
        take(*picture_);
        av_frame_unref(picture_.get());
        logged = LoggedErrors();  // what taking the picture logged is not the decoder's
    }
}

int Decoder::pixelFormat() const { return context_->pix_fmt; }

bool Decoder::refusedPictureSize() const { return hadSize_ && context_->width == 0 && context_->height == 0; }
