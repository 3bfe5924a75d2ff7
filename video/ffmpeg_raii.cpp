#include "video/ffmpeg_raii.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

void FormatContextCloser::operator()(AVFormatContext* context) const { avformat_close_input(&context); }
void CodecContextFreer::operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
// The buffer may have been replaced by a larger one while reading.
void IoContextFreer::operator()(AVIOContext* context) const
{
    if (context)
        av_freep(&context->buffer);
    avio_context_free(&context);
}
void FrameFreer::operator()(AVFrame* frame) const { av_frame_free(&frame); }
void PacketFreer::operator()(AVPacket* packet) const { av_packet_free(&packet); }
void SwsContextFreer::operator()(SwsContext* context) const { sws_freeContext(context); }
