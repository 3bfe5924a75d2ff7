#include "samples/clip_writer.h"

#include "video/ffmpeg_raii.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <cstring>
#include <new>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const std::string& what, int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    throw std::runtime_error(what + ": " + text);
}

void check(int result, const std::string& what)
{
    if (result < 0)
        fail(what, result);
}

struct OutputCloser {
    void operator()(AVFormatContext* context) const
    {
        if (!(context->oformat->flags & AVFMT_NOFILE))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};

// The MP4 and MOV muxers write the matrix into the file's header. FFmpeg
// keeps it with the stream up to 6.0, with its codec parameters from 6.1 on.
void setDisplayMatrix(AVStream& stream, const std::vector<std::int32_t>& matrix)
{
    const std::size_t size = matrix.size() * sizeof(std::int32_t);
#if LIBAVFORMAT_VERSION_INT >= AV_VERSION_INT(60, 15, 100)
    AVCodecParameters& parameters = *stream.codecpar;
    AVPacketSideData* side = av_packet_side_data_new(&parameters.coded_side_data, &parameters.nb_coded_side_data,
                                                     AV_PKT_DATA_DISPLAYMATRIX, size, 0);
    std::uint8_t* data = side ? side->data : nullptr;
#else
    std::uint8_t* data = av_stream_new_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, size);
#endif
    if (!data)
        throw std::bad_alloc();
    std::memcpy(data, matrix.data(), size);
}

}  // namespace

bool hasEncoder(const std::string& name) { return avcodec_find_encoder_by_name(name.c_str()) != nullptr; }

struct ClipWriter::State {
    std::unique_ptr<AVFormatContext, OutputCloser> output;
    CodecContextPtr encoder;
    FramePtr frame;
    PacketPtr packet;
    SwsContextPtr scaler;
    AVStream* stream = nullptr;
    std::int64_t next = 0;

    // Sends a picture (null: the end) and writes every packet that comes out.
    void encode(const AVFrame* picture)
    {
        check(avcodec_send_frame(encoder.get(), picture), "cannot encode");
        for (;;) {
            int result = avcodec_receive_packet(encoder.get(), packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return;
            check(result, "cannot encode");
            packet->duration = 1;  // one frame; muxers need it for the last one
            av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            check(av_interleaved_write_frame(output.get(), packet.get()), "cannot write");
        }
    }
};

ClipWriter::ClipWriter(const std::string& path, int width, int height, const ClipFormat& format,
                       int framesPerSecond)
    : state_(std::make_unique<State>())
{
    AVFormatContext* output = nullptr;
    check(avformat_alloc_output_context2(&output, nullptr, format.container.empty() ? nullptr : format.container.c_str(),
                                         path.c_str()),
          path);
    state_->output.reset(output);

    const AVCodec* codec = avcodec_find_encoder_by_name(format.encoder.c_str());
    if (!codec)
        throw std::runtime_error("no encoder " + format.encoder);
    state_->encoder.reset(avcodec_alloc_context3(codec));
    if (!state_->encoder)
        throw std::bad_alloc();
    AVCodecContext& encoder = *state_->encoder;
    encoder.width = width;
    encoder.height = height;
    encoder.pix_fmt = av_get_pix_fmt(format.pixelFormat.c_str());
    if (encoder.pix_fmt == AV_PIX_FMT_NONE)
        throw std::runtime_error("no pixel format " + format.pixelFormat);
    encoder.time_base = AVRational{1, framesPerSecond};
    encoder.framerate = AVRational{framesPerSecond, 1};
    encoder.thread_count = 0;
    if (!format.colorspace.empty()) {
        const int colorspace = av_color_space_from_name(format.colorspace.c_str());
        check(colorspace, "unknown colour space " + format.colorspace);
        encoder.colorspace = AVColorSpace(colorspace);
    }
    if (!format.colorRange.empty()) {
        const int range = av_color_range_from_name(format.colorRange.c_str());
        check(range, "unknown colour range " + format.colorRange);
        encoder.color_range = AVColorRange(range);
    }
    if (format.keyFrameInterval > 0)
        encoder.gop_size = format.keyFrameInterval;
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        encoder.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    AVDictionary* options = nullptr;
    check(av_dict_parse_string(&options, format.options.c_str(), "=", ":", 0), "bad options");
    int opened = avcodec_open2(&encoder, codec, &options);
    av_dict_free(&options);
    check(opened, "cannot open encoder " + format.encoder);

    state_->stream = avformat_new_stream(output, nullptr);
    if (!state_->stream)
        throw std::runtime_error("cannot add a stream");
    check(avcodec_parameters_from_context(state_->stream->codecpar, &encoder), "bad parameters");
    // Uncompressed YUV is told apart by its four-character code (I420, YUY2,
    // ...); uncompressed RGB needs none.
    const AVPixFmtDescriptor* pixels = av_pix_fmt_desc_get(encoder.pix_fmt);
    if (codec->id == AV_CODEC_ID_RAWVIDEO && !(pixels->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)))
        state_->stream->codecpar->codec_tag = avcodec_pix_fmt_to_codec_tag(encoder.pix_fmt);
    state_->stream->time_base = encoder.time_base;
    if (!format.displayMatrix.empty())
        setDisplayMatrix(*state_->stream, format.displayMatrix);

    check(avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE), path);
    check(avformat_write_header(output, nullptr), path);

    state_->frame.reset(av_frame_alloc());
    state_->packet.reset(av_packet_alloc());
    if (!state_->frame || !state_->packet)
        throw std::bad_alloc();
    AVFrame& frame = *state_->frame;
    frame.format = encoder.pix_fmt;
    frame.width = width;
    frame.height = height;
    check(av_frame_get_buffer(&frame, 0), "cannot allocate a frame");
}

ClipWriter::~ClipWriter() = default;

void ClipWriter::write(const std::uint8_t* bgr, int stride, std::int64_t time)
{
    const AVFrame& frame = *state_->frame;
    if (!state_->scaler) {
        state_->scaler.reset(sws_getContext(frame.width, frame.height, AV_PIX_FMT_BGR24, frame.width, frame.height,
                                            AVPixelFormat(frame.format), SWS_BICUBIC, nullptr, nullptr, nullptr));
        if (!state_->scaler)
            throw std::runtime_error(std::string("cannot convert to ") + av_get_pix_fmt_name(AVPixelFormat(frame.format)));
    }
    writePlanes(
        [&](std::uint8_t* const* planes, const int* strides) {
            const std::uint8_t* source[4] = {bgr, nullptr, nullptr, nullptr};
            const int sourceStride[4] = {stride, 0, 0, 0};
            if (sws_scale(state_->scaler.get(), source, sourceStride, 0, frame.height, planes, strides) != frame.height)
                throw std::runtime_error("cannot convert a picture");
        },
        time);
}

void ClipWriter::writePlanes(const PlaneFiller& fill, std::int64_t time)
{
    AVFrame& frame = *state_->frame;
    check(av_frame_make_writable(&frame), "cannot write a frame");
    fill(frame.data, frame.linesize);
    frame.pts = time >= 0 ? time : state_->next;
    state_->next = frame.pts + 1;
    state_->encode(&frame);
}

void ClipWriter::finish()
{
    state_->encode(nullptr);
    check(av_write_trailer(state_->output.get()), "cannot finish");
}
