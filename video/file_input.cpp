#include "video/file_input.h"

#include "system/local_file.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <cerrno>
#include <cstdio>

namespace {

constexpr int bufferSize = 64 * 1024;

// Names no protocol: nested demuxers (concat) copy it and can open nothing.
constexpr const char* noProtocols = "";

int refuseToOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**)
{
    return AVERROR(EPERM);
}

}  // namespace

int FileInput::read(void* opaque, std::uint8_t* buffer, int size)
{
    auto& position = *static_cast<Position*>(opaque);
    const std::int64_t got = position.file.readAt(buffer, std::size_t(size), position.offset);
    if (got < 0) {
        position.readError = int(-got);
        return AVERROR(position.readError);
    }
    if (got == 0)
        return AVERROR_EOF;
    position.offset += got;
    return int(got);
}

std::int64_t FileInput::seek(void* opaque, std::int64_t offset, int whence)
{
    auto& position = *static_cast<Position*>(opaque);
    whence &= ~AVSEEK_FORCE;
    const std::int64_t size = whence == AVSEEK_SIZE || whence == SEEK_END ? position.file.size() : 0;
    if (size < 0)
        return AVERROR(int(-size));
    switch (whence) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += position.offset;
        break;
    case SEEK_END:
        offset += size;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    return position.offset = offset;
}

int FileInput::makeIoContext()
{
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(bufferSize));
    if (!buffer)
        return AVERROR(ENOMEM);
    io_.reset(avio_alloc_context(buffer, bufferSize, 0, position_.get(), read, nullptr, seek));
    if (!io_) {
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    return 0;
}

int FileInput::open(const LocalFile& file)
{
    position_ = std::make_unique<Position>(Position{file});
    if (int error = makeIoContext())
        return error;
    format_.reset(avformat_alloc_context());
    if (!format_)
        return AVERROR(ENOMEM);
    format_->pb = io_.get();
    format_->flags |= AVFMT_FLAG_CUSTOM_IO;  // io_ is ours to free, also before opening
    format_->io_open = refuseToOpen;
    format_->protocol_whitelist = av_strdup(noProtocols);
    if (!format_->protocol_whitelist)
        return AVERROR(ENOMEM);

    // On failure avformat_open_input frees the context it was given.
    AVFormatContext* format = format_.release();
    int error = avformat_open_input(&format, file.name().c_str(), nullptr, nullptr);
    format_.reset(format);
    return error;
}
