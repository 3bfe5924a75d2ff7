#include "video/demuxer.h"

#include "video/limits.h"
#include "video/logged_errors.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <new>
#include <stdexcept>
#include <string_view>

namespace {

// FFmpeg also reads still pictures (a bitmap this program wrote, say) as
// videos of one frame; they are not what it is for.
bool isStillPictureFormat(std::string_view name)
{
    return name == "image2" || name.ends_with("_pipe");
}

// FFmpeg's settings for the whole process. Readers on several threads start
// at once, so they are made once.
void setUpFFmpeg()
{
    static std::once_flag done;
    std::call_once(done, [] {
        watchFFmpegLog();
        av_max_alloc(largestAllocation);
    });
}

// The file itself is open; what fails now is reading it, or its contents. A
// nested demuxer that was refused a further file reports EINVAL or EPERM,
// which say nothing to the user: that file is not a video. ENOMEM comes from
// sizes in a damaged header, larger than any video needs.
[[noreturn]] void failToOpen(int error, int readError)
{
    if (error == AVERROR(ENOMEM))
        throw std::runtime_error("damaged: its header claims sizes no video has");
    throw std::runtime_error(readError != 0 ? std::strerror(readError) : "not a video file");
}

}  // namespace

Demuxer::Demuxer(const LocalFile& file)
{
    setUpFFmpeg();
    if (int error = input_.open(file); error < 0)
        failToOpen(error, input_.readError());
    AVFormatContext* format = input_.format();
    if (isStillPictureFormat(format->iformat->name))
        throw std::runtime_error("not a video file");
    const bool avi = std::strcmp(format->iformat->name, "avi") == 0;
    numbering_ = PositionNumbering(avi);
    // Some containers (MPEG-TS, NUT) do not state the picture size; a few
    // packets are decoded to learn it.
    if (!avi && avformat_find_stream_info(format, nullptr) < 0)
        throw std::runtime_error("not a video file");
    chooseStream();
    if (avi) {
        avi_.emplace(file, *format, *stream_);
        palette_ = avi_->firstPalette();
    } else {
        promisePackets();
    }
}

void Demuxer::chooseStream()
{
    AVFormatContext* format = input_.format();
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* stream = format->streams[i];
        stream->discard = AVDISCARD_ALL;
        // A cover picture in a music file is no video stream.
        const bool video = stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                           !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
        if (!stream_ && video)
            stream_ = stream;
    }
    if (!stream_)
        throw std::runtime_error("no video stream");
    stream_->discard = AVDISCARD_DEFAULT;
}

// What the stream's index lists on opening, which MP4 and MOV make whole
// from the file's header, is what reading it must give; other containers
// list only some packets there, or none. A file that states a frame count
// must give a packet at least.
//
// FFmpeg's MOV reader makes its index in one allocation, and rebuilds it for
// an edit list in one that doubles as it grows; when one is refused (past
// largestAllocation) it logs, and goes on with an index cut short or none,
// which would average part of the file, or nothing, without an error. Of a
// file that states more frames than a doubling array can surely hold, an
// index shorter than the count may be such a one: the file fails.
void Demuxer::promisePackets()
{
    constexpr std::int64_t mostIndexed = std::int64_t(largestAllocation / (2 * sizeof(AVIndexEntry)));
    packetsPromised_ = avformat_index_get_entries_count(stream_);
    const std::int64_t stated = stream_->nb_frames;
    if (stated > mostIndexed && packetsPromised_ < stated)
        throw std::runtime_error("too many frames to index: " + std::to_string(stated) + " (at most " +
                                 std::to_string(mostIndexed) + ")");
    if (stated > 0)
        packetsPromised_ = std::max<std::int64_t>(packetsPromised_, 1);
}

std::optional<CodedPicture> Demuxer::next()
{
    if (ahead_.empty() && !readAhead())
        return std::nullopt;
    CodedPicture coded = std::move(ahead_.front());
    ahead_.pop_front();
    if (!coded.position)
        return coded;
    // The run lasts until the next picture shown, or the end of the file.
    for (;;) {
        auto shown = std::find_if(ahead_.begin(), ahead_.end(), [](const CodedPicture& a) { return a.position; });
        if (shown != ahead_.end()) {
            coded.repeats = *shown->position - *coded.position;
            return coded;
        }
        if (!readAhead()) {
            coded.repeats = end_ - *coded.position;
            return coded;
        }
    }
}

// Reads until a packet of the stream that holds a picture, which joins
// ahead_; empty packets (dropped frames) only take positions. False at the
// end of the file.
bool Demuxer::readAhead()
{
    if (ended_)
        return false;
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        throw std::bad_alloc();
    for (;;) {
        if (int error = av_read_frame(input_.format(), packet.get()); error < 0) {
            ended_ = true;
            readError_ = error == AVERROR_EOF ? 0 : error;
            end_ = avi_ ? avi_->end(numbering_.next()) : numbering_.next();
            return false;
        }
        if (packet->stream_index != stream_->index) {
            av_packet_unref(packet.get());
            continue;
        }
        ++packetsRead_;
        const std::optional<std::int64_t> position = numbering_.number(*packet);
        // A palette may come with an empty chunk (a dropped frame), for the
        // pictures after it.
        attachPalette(*packet);
        if (packet->size == 0) {
            av_packet_unref(packet.get());
            continue;
        }
        ahead_.push_back({std::move(packet), position});
        return true;
    }
}

void Demuxer::attachPalette(AVPacket& packet)
{
    std::size_t size = 0;
    if (const std::uint8_t* palette = av_packet_get_side_data(&packet, AV_PKT_DATA_PALETTE, &size)) {
        palette_.assign(palette, palette + size);
        return;
    }
    if (palette_.empty() || packet.size == 0)
        return;
    std::uint8_t* copy = av_packet_new_side_data(&packet, AV_PKT_DATA_PALETTE, palette_.size());
    if (!copy)
        throw std::bad_alloc();
    std::copy(palette_.begin(), palette_.end(), copy);
}
