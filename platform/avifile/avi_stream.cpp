#include "avi_stream.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <string_view>

namespace {

// What a packet whose picture is not shown gets as its position.
constexpr std::int64_t noPosition = -1;

// FFmpeg also reads still pictures (a bitmap this program wrote, say) as
// videos of one frame; they are not what it is for.
bool isStillPictureFormat(std::string_view name)
{
    return name == "image2" || name.ends_with("_pipe");
}

// The file itself is open; what fails now is reading it, or its contents. A
// nested demuxer refused a further file reports EINVAL or EPERM, which say
// nothing to the user: that file is not a video.
HRESULT openFailure(int error, int readError)
{
    if (error == AVERROR(ENOMEM))
        return AVIERR_MEMORY;
    if (readError != 0) {
        errno = readError;
        return AVIERR_FILEOPEN;
    }
    return AVIERR_BADFORMAT;
}

}  // namespace

HRESULT AviStream::open(int descriptor, const char* fileName, LONG number, std::unique_ptr<AviStream>& result)
{
    auto self = std::make_unique<AviStream>();
    if (int error = self->input_.open(descriptor, fileName); error < 0)
        return openFailure(error, self->input_.readError());
    AVFormatContext* format = self->input_.format();
    if (isStillPictureFormat(format->iformat->name))
        return AVIERR_BADFORMAT;
    self->avi_ = std::strcmp(format->iformat->name, "avi") == 0;
    // Some containers (MPEG-TS, NUT) do not state the picture size; a few
    // packets are decoded to learn it.
    if (!self->avi_ && avformat_find_stream_info(format, nullptr) < 0)
        return AVIERR_BADFORMAT;

    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream* stream = format->streams[i];
        stream->discard = AVDISCARD_ALL;
        // A cover picture in a music file is no video stream.
        const bool video = stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
                           !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC);
        if (!self->stream_ && video && number-- == 0)
            self->stream_ = stream;
    }
    if (!self->stream_)
        return AVIERR_NODATA;
    // In AVI, without this the demuxer hides empty chunks; with it each comes
    // out as a packet of size 0 in its place.
    self->stream_->discard = self->avi_ ? AVDISCARD_NONE : AVDISCARD_DEFAULT;

    self->packet_.reset(av_packet_alloc());
    self->picture_.reset(av_frame_alloc());
    if (!self->packet_ || !self->picture_)
        return AVIERR_MEMORY;
    // An AVI header's length counts dropped frames too. Other containers may
    // record no count, or one that includes frames an edit list hides; there
    // the frames shown are counted, which only reads.
    std::int64_t length = self->stream_->nb_frames;
    if (!self->avi_ && !self->countFrames(length))
        return AVIERR_FILEREAD;
    self->length_ = LONG(std::clamp<std::int64_t>(length, 0, INT32_MAX));
    // The first chunk's timestamp is the stream's start offset, and the first
    // picture carries a palettized stream's palette.
    if (self->readAhead()) {
        std::size_t size = 0;
        const AVPacket& first = *self->ahead_.front().packet;
        const std::uint8_t* palette = av_packet_get_side_data(&first, AV_PKT_DATA_PALETTE, &size);
        self->palette_.assign(palette, palette + size);
    }
    self->firstDts_ = self->firstDts_.value_or(0);
    result = std::move(self);
    return AVIERR_OK;
}

AVISTREAMINFOA AviStream::info() const
{
    const AVCodecParameters& parameters = *stream_->codecpar;
    AVISTREAMINFOA info{};
    info.fccType = streamtypeVIDEO;
    info.fccHandler = parameters.codec_tag;
    info.dwScale = DWORD(stream_->time_base.num);
    info.dwRate = DWORD(stream_->time_base.den);
    info.dwStart = DWORD(firstDts_.value_or(0));
    info.dwLength = DWORD(length_);
    info.rcFrame = RECT{0, 0, parameters.width, parameters.height};
    return info;
}

LONG AviStream::findSample(LONG position, LONG flags)
{
    if (position < 0 || position >= length_)
        return -1;
    if (flags & FIND_KEY)
        return findKeyFrame(position, flags);
    if (!(flags & FIND_ANY) || !(flags & FIND_NEXT))
        return -1;

    if (position < knownFrom_ && !seekTo(position))
        return -1;
    if (auto found = findNonEmptyFrom(position))
        return *found < length_ ? LONG(*found) : -1;
    // No picture follows. If the file ends before the length its header
    // claims, its first missing position is reported: it cannot be read, so
    // the caller learns of the loss there instead of taking the missing
    // frames as repeats.
    return nextPosition_ < length_ ? LONG(std::max<std::int64_t>(position, nextPosition_)) : -1;
}

bool AviStream::countFrames(std::int64_t& frames)
{
    frames = 0;
    while (av_read_frame(input_.format(), packet_.get()) >= 0) {
        frames += packet_->stream_index == stream_->index && packet_->size > 0 &&
                  !(packet_->flags & AV_PKT_FLAG_DISCARD);
        av_packet_unref(packet_.get());
    }
    return rewind();
}

// Back to the first frame, in containers where positions are not timestamps.
bool AviStream::rewind()
{
    if (avformat_seek_file(input_.format(), -1, INT64_MIN, INT64_MIN, INT64_MAX, 0) < 0)
        return false;
    nextPosition_ = 0;
    return true;
}

LONG AviStream::findKeyFrame(LONG position, LONG flags) const
{
    // Positions are index timestamps in AVI only; elsewhere key frames are
    // not looked up, and reading goes forward from the start.
    if (!avi_)
        return -1;
    // Only key frames are found in the index unless AVSEEK_FLAG_ANY is given.
    int entry = av_index_search_timestamp(stream_, *firstDts_ + position,
                                          (flags & FIND_PREV) ? AVSEEK_FLAG_BACKWARD : 0);
    if (entry < 0)
        return -1;
    std::int64_t found = avformat_index_get_entry(stream_, entry)->timestamp - *firstDts_;
    return found >= 0 && found < length_ ? LONG(found) : -1;
}

bool AviStream::openDecoder()
{
    const AVCodecParameters& parameters = *stream_->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    if (!codec || parameters.width <= 0 || parameters.height <= 0)
        return false;
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), &parameters) < 0) {
        decoder_.reset();
        return false;
    }
    decoder_->pkt_timebase = stream_->time_base;
    decoder_->thread_count = 0;  // as many as FFmpeg finds useful for the cores there are
    decoder_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(decoder_.get(), codec, nullptr) < 0) {
        decoder_.reset();
        return false;
    }
    converter_.emplace(parameters.width, parameters.height);
    return true;
}

const BITMAPINFOHEADER* AviStream::frameAt(LONG position)
{
    if (!decoder_ || position < 0 || position >= length_)
        return nullptr;

    // Jump backwards, or forwards over chunks that need not be decoded because
    // a key frame lies between here and the position.
    LONG key = findKeyFrame(position, FIND_PREV);
    bool keyFrameAhead = key > nextPosition_ && key > picturePosition_;
    if ((position < knownFrom_ || keyFrameAhead) && !seekTo(position))
        return nullptr;

    for (;;) {
        if (picturePosition_ >= 0) {
            if (picturePosition_ > position)
                return nullptr;  // nothing is shown before the first picture
            auto next = findNonEmptyFrom(picturePosition_ + 1);
            if (!next) {
                // Only empty chunks follow: they repeat this picture up to the
                // end of the file.
                if (position >= nextPosition_)
                    return nullptr;
                break;
            }
            if (*next > position)
                break;
        }
        if (!decodeNextPicture())
            return nullptr;
    }

    if (!bitmap_)
        bitmap_ = converter_->convert(*picture_);
    return bitmap_;
}

// Reads chunks of the stream until one that holds a picture, which joins
// ahead_; empty chunks only advance the position, and pictures an edit list
// hides join without one. False at the end of the file.
bool AviStream::readAhead()
{
    while (!demuxEnded_) {
        if (av_read_frame(input_.format(), packet_.get()) < 0) {
            demuxEnded_ = true;
            break;
        }
        if (packet_->stream_index != stream_->index) {
            av_packet_unref(packet_.get());
            continue;
        }
        // In AVI every chunk has a position, its timestamp (one tick is one
        // chunk). Elsewhere each picture shown takes the next position; empty
        // packets and pictures an edit list hides take none.
        const bool timed = avi_ && packet_->dts != AV_NOPTS_VALUE;
        if (!firstDts_)
            firstDts_ = timed ? packet_->dts : 0;
        std::int64_t position = noPosition;
        if (avi_)
            position = timed ? packet_->dts - *firstDts_ : nextPosition_;
        else if (packet_->size > 0 && !(packet_->flags & AV_PKT_FLAG_DISCARD))
            position = nextPosition_;
        if (position != noPosition)
            nextPosition_ = position + 1;
        if (packet_->size == 0) {
            av_packet_unref(packet_.get());
            continue;
        }
        PacketPtr coded;
        if (spare_.empty()) {
            coded.reset(av_packet_alloc());
        } else {
            coded = std::move(spare_.back());
            spare_.pop_back();
        }
        if (!coded) {
            demuxEnded_ = true;
            break;
        }
        av_packet_move_ref(coded.get(), packet_.get());
        ahead_.push_back({position, std::move(coded)});
        return true;
    }
    return false;
}

// The smallest position at or after the given one that holds a picture, read
// ahead as far as needed; none when only empty chunks follow.
std::optional<std::int64_t> AviStream::findNonEmptyFrom(std::int64_t position)
{
    if (picturePosition_ >= position)
        return picturePosition_;
    for (std::int64_t sent : sent_)
        if (sent >= position)
            return sent;
    for (const CodedPicture& coded : ahead_)
        if (coded.position >= position)
            return coded.position;
    while (readAhead())
        if (ahead_.back().position >= position)
            return ahead_.back().position;
    return std::nullopt;
}

bool AviStream::decodeNextPicture()
{
    for (;;) {
        int received = avcodec_receive_frame(decoder_.get(), picture_.get());
        if (received == 0) {
            if (sent_.empty())
                return false;  // a picture that no chunk accounts for
            picturePosition_ = knownFrom_ = sent_.front();
            sent_.pop_front();
            bitmap_ = nullptr;
            return true;
        }
        if (received != AVERROR(EAGAIN))
            return false;  // the end of the stream, or undecodable data

        // At the end of the file a null packet drains the pictures the
        // decoder still holds (frame threads and reordering keep some back).
        if (ahead_.empty() && !readAhead()) {
            if (draining_ || avcodec_send_packet(decoder_.get(), nullptr) < 0)
                return false;
            draining_ = true;
            continue;
        }
        CodedPicture coded = std::move(ahead_.front());
        ahead_.pop_front();
        const bool sent = send(*coded.packet);
        av_packet_unref(coded.packet.get());
        spare_.push_back(std::move(coded.packet));
        if (!sent)
            return false;
        if (coded.position != noPosition)
            sent_.push_back(coded.position);
    }
}

bool AviStream::send(AVPacket& packet)
{
    // The demuxer attaches a palettized stream's palette to its first chunk
    // only; a decoder that starts further on gets it with its first chunk.
    if (!decoderHasPalette_ && !palette_.empty() && !av_packet_get_side_data(&packet, AV_PKT_DATA_PALETTE, nullptr)) {
        std::uint8_t* palette = av_packet_new_side_data(&packet, AV_PKT_DATA_PALETTE, palette_.size());
        if (!palette)
            return false;
        std::copy(palette_.begin(), palette_.end(), palette);
    }
    decoderHasPalette_ = true;
    return avcodec_send_packet(decoder_.get(), &packet) >= 0;
}

bool AviStream::seekTo(std::int64_t position)
{
    if (avi_ ? av_seek_frame(input_.format(), stream_->index, *firstDts_ + position, AVSEEK_FLAG_BACKWARD) < 0
             : !rewind())
        return false;
    demuxEnded_ = false;
    ahead_.clear();
    sent_.clear();
    if (decoder_)
        avcodec_flush_buffers(decoder_.get());
    draining_ = false;
    picturePosition_ = -1;
    bitmap_ = nullptr;
    // In AVI the seek lands on a key frame at or before the position;
    // elsewhere it goes back to the start.
    knownFrom_ = !avi_ ? 0 : readAhead() ? ahead_.front().position : nextPosition_;
    return true;
}
