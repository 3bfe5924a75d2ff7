// Owning pointers for the FFmpeg objects the reader uses. The structs are
// only declared here, so headers that hold these pointers need no FFmpeg header.
#pragma once

#include <memory>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVIOContext;
struct AVPacket;
struct SwsContext;

struct FormatContextCloser {
    void operator()(AVFormatContext* context) const;
};
struct CodecContextFreer {
    void operator()(AVCodecContext* context) const;
};
struct IoContextFreer {
    void operator()(AVIOContext* context) const;
};
struct FrameFreer {
    void operator()(AVFrame* frame) const;
};
struct PacketFreer {
    void operator()(AVPacket* packet) const;
};
struct SwsContextFreer {
    void operator()(SwsContext* context) const;
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextCloser>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFreer>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextFreer>;
