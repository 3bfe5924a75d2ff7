#include "avi_stream.h"

#include "avi_index.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <climits>
#include <mutex>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

// What a packet whose picture is not shown gets as its position.
constexpr std::int64_t noPosition = -1;

// 8K video has 33 million pixels; a picture that claims more lies, and
// believing it could cost gigabytes.
constexpr std::int64_t maximumPixels = std::int64_t(1) << 25;

// FFmpeg also reads still pictures (a bitmap this program wrote, say) as
// videos of one frame; they are not what it is for.
bool isStillPictureFormat(std::string_view name)
{
    return name == "image2" || name.ends_with("_pipe");
}

// The file itself is open; what fails now is reading it, or its contents. A
// nested demuxer that was refused a further file reports EINVAL or EPERM,
// which say nothing to the user: that file is not a video. (ENOMEM comes
// mostly from sizes in a damaged header.)
[[noreturn]] void failToOpen(int error, int readError)
{
    if (error == AVERROR(ENOMEM))
        throw std::runtime_error("out of memory");
    throw std::runtime_error(readError != 0 ? std::strerror(readError) : "not a video file");
}

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

AviStream::AviStream(const LocalFile& file)
{
    // The demuxer and decoders warn about many good files; the caller reports
    // failures in its own words. Readers on several threads start at once, so
    // the setting, global to FFmpeg, is made once.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    if (int error = input_.open(file.descriptor(), file.name().c_str()); error < 0)
        failToOpen(error, input_.readError());
    AVFormatContext* format = input_.format();
    if (isStillPictureFormat(format->iformat->name))
        throw std::runtime_error("not a video file");
    avi_ = std::strcmp(format->iformat->name, "avi") == 0;
    // Without the parsers MJPEG and MPEG-4 chunks come out as they are stored,
    // empty ones too, also at the end of the file; the decoders take them so.
    if (avi_)
        format->flags |= AVFMT_FLAG_NOPARSE | AVFMT_FLAG_NOFILLIN;
    // Some containers (MPEG-TS, NUT) do not state the picture size; a few
    // packets are decoded to learn it.
    if (!avi_ && avformat_find_stream_info(format, nullptr) < 0)
        throw std::runtime_error("not a video file");
    chooseStream();
    if (avi_)
        if (auto count = countAviIndex(file.descriptor(), stream_->index); count && count->trailingEmpty > 0)
            emptyIndexEntries_ = {count->entries - count->trailingEmpty, count->entries};

    packet_.reset(av_packet_alloc());
    picture_.reset(av_frame_alloc());
    if (!packet_ || !picture_)
        throw std::bad_alloc();
    // An AVI header's length counts dropped frames too. Other containers may
    // record no count, or one that includes frames an edit list hides; there
    // the frames shown are counted, which only reads.
    if (avi_)
        length_ = stream_->nb_frames;
    else
        countFrames();
    length_ = std::clamp<std::int64_t>(length_, 0, INT32_MAX);
    // The first chunk's timestamp is the stream's start offset, and the first
    // picture carries a palettized stream's palette.
    if (readAhead()) {
        std::size_t size = 0;
        const AVPacket& first = *ahead_.front().packet;
        const std::uint8_t* palette = av_packet_get_side_data(&first, AV_PKT_DATA_PALETTE, &size);
        palette_.assign(palette, palette + size);
    }
    firstDts_ = firstDts_.value_or(0);
}

void AviStream::chooseStream()
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
    // In AVI, without this the demuxer hides empty chunks; with it each comes
    // out as a packet of size 0 in its place.
    stream_->discard = avi_ ? AVDISCARD_NONE : AVDISCARD_DEFAULT;
}

const AVCodecParameters& AviStream::parameters() const { return *stream_->codecpar; }

std::optional<std::int64_t> AviStream::nextKeyFrame(std::int64_t position) const
{
    if (!avi_ || position < 0 || position >= length_)
        return std::nullopt;
    // Only key frames are found in the index unless AVSEEK_FLAG_ANY is given.
    int entry = av_index_search_timestamp(stream_, *firstDts_ + position, 0);
    if (entry < 0)
        return std::nullopt;
    std::int64_t found = avformat_index_get_entry(stream_, entry)->timestamp - *firstDts_;
    return found >= 0 && found < length_ ? std::optional(found) : std::nullopt;
}

std::int64_t AviStream::nextPicture(std::int64_t position)
{
    if (position >= length_)
        return length_;
    if (position < knownFrom_ && !seekTo(position))
        return position;
    if (auto found = findNonEmptyFrom(position))
        return std::min(*found, length_);
    return std::clamp(nextPosition_, position, length_);
}

void AviStream::countFrames()
{
    length_ = 0;
    while (av_read_frame(input_.format(), packet_.get()) >= 0) {
        length_ += packet_->stream_index == stream_->index && packet_->size > 0 &&
                   !(packet_->flags & AV_PKT_FLAG_DISCARD);
        av_packet_unref(packet_.get());
    }
    if (!rewind())
        throw std::runtime_error("cannot read the file");
}

// Back to the first frame, in containers where positions are not timestamps.
bool AviStream::rewind()
{
    if (avformat_seek_file(input_.format(), -1, INT64_MIN, INT64_MIN, INT64_MAX, 0) < 0)
        return false;
    nextPosition_ = 0;
    return true;
}

std::optional<std::int64_t> AviStream::keyFrameAtOrBefore(std::int64_t position) const
{
    if (!avi_)
        return std::nullopt;
    int entry = av_index_search_timestamp(stream_, *firstDts_ + position, AVSEEK_FLAG_BACKWARD);
    if (entry < 0)
        return std::nullopt;
    return avformat_index_get_entry(stream_, entry)->timestamp - *firstDts_;
}

void AviStream::openDecoder()
{
    const AVCodecParameters& parameters = *stream_->codecpar;
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

    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_)
        throw std::bad_alloc();
    if (avcodec_parameters_to_context(decoder_.get(), &parameters) < 0)
        throw std::runtime_error("cannot set up the decoder");
    decoder_->pkt_timebase = stream_->time_base;
    // Other codecs state their pictures' size in each picture: the decoder
    // refuses one that is too large before allocating it.
    decoder_->max_pixels = maximumPixels;
    decoder_->thread_count = 0;  // as many as FFmpeg finds useful for the cores there are
    decoder_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (avcodec_open2(decoder_.get(), codec, nullptr) < 0)
        throw std::runtime_error("cannot open the decoder");
}

const AVFrame* AviStream::pictureAt(std::int64_t position)
{
    if (!decoder_ || position < 0 || position >= length_)
        return nullptr;

    // Jump backwards, or forwards over chunks that need not be decoded because
    // a key frame lies between here and the position.
    const std::int64_t key = keyFrameAtOrBefore(position).value_or(-1);
    const bool keyFrameAhead = key > nextPosition_ && key > picturePosition_;
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
    return picture_.get();
}

bool AviStream::refusedPictureSize() const
{
    return decoder_ && decoder_->width == 0 && decoder_->height == 0 && stream_->codecpar->width > 0 &&
           stream_->codecpar->height > 0;
}

// Reads chunks of the stream until one that holds a picture, which joins
// ahead_; empty chunks only advance the position, and pictures an edit list
// hides join without one. False at the end of the file.
bool AviStream::readAhead()
{
    while (!demuxEnded_) {
        if (av_read_frame(input_.format(), packet_.get()) < 0) {
            endDemuxing();
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
        if (!coded)
            throw std::bad_alloc();
        av_packet_move_ref(coded.get(), packet_.get());
        ahead_.push_back({position, std::move(coded)});
        return true;
    }
    return false;
}

// After the last chunk, the index may record dropped frames that have no
// chunk: they are positions too.
void AviStream::endDemuxing()
{
    demuxEnded_ = true;
    if (nextPosition_ >= emptyIndexEntries_.first)
        nextPosition_ = std::max(nextPosition_, emptyIndexEntries_.second);
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
    // In AVI the seek lands on a key frame at or before the position;
    // elsewhere it goes back to the start.
    knownFrom_ = !avi_ ? 0 : readAhead() ? ahead_.front().position : nextPosition_;
    return true;
}
