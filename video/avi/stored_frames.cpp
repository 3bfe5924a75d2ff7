#include "video/avi/stored_frames.h"

#include "system/local_file.h"
#include "video/fan_out.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/intreadwrite.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace {

// More chunks are left to the demuxer: their list would take more memory
// than it saves (a day at 60 frames a second has 5 million).
constexpr std::int64_t mostChunks = std::int64_t(1) << 20;

// What a worker is handed at a time, at least: one picture, or as many small
// ones as fill this, up to a number.
constexpr std::int64_t bytesPerBatch = std::int64_t(1) << 18;
constexpr std::size_t largestBatch = 256;

// How far ahead of the pictures handed out the system is asked to read the
// file, in steps of a few megabytes, so that a file not yet in memory comes
// from the disk while the workers add the pictures before.
constexpr std::int64_t readAheadBytes = std::int64_t(64) << 20;
constexpr std::int64_t readAheadStep = std::int64_t(8) << 20;

struct BufferUnref {
    void operator()(AVBufferRef* buffer) const { av_buffer_unref(&buffer); }
};
using BufferPtr = std::unique_ptr<AVBufferRef, BufferUnref>;

// Where the demuxer's positions begin and end when it reads the stream along
// its index (non-interleaved files): from the first entry's chunk, to the
// last's.
struct Reading {
    std::int64_t first = 0;
    std::int64_t end = 0;
};

// Whether FFmpeg's index of the stream lists exactly the pictures the walk
// found, at the same offsets, sizes and (from the stream's start) chunks; it
// may also list empty chunks. Gives how the demuxer would number them if it
// read along the index.
std::optional<Reading> matchIndex(const AVStream& stream, const std::vector<StoredChunk>& pictures)
{
    auto* indexed = const_cast<AVStream*>(&stream);  // FFmpeg's getter only reads
    const int entries = avformat_index_get_entries_count(indexed);
    if (entries <= 0)
        return std::nullopt;
    const AVIndexEntry* firstEntry = avformat_index_get_entry(indexed, 0);
    const AVIndexEntry* lastEntry = avformat_index_get_entry(indexed, entries - 1);
    // The timestamp of a chunk is the stream's start plus its chunk number.
    std::optional<std::int64_t> start;
    for (int i = 0; i < entries && !start; ++i)
        if (const AVIndexEntry* entry = avformat_index_get_entry(indexed, i); entry->size > 0)
            start = entry->timestamp - pictures[0].position;
    if (!start)
        return std::nullopt;
    std::size_t next = 0;
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(indexed, i);
        if (entry->size == 0)
            continue;
        if (next == pictures.size() || entry->pos != pictures[next].offset ||
            std::uint32_t(entry->size) != pictures[next].size ||
            entry->timestamp - *start != pictures[next].position)
            return std::nullopt;
        ++next;
    }
    if (next != pictures.size() || firstEntry->timestamp < *start)
        return std::nullopt;
    return Reading{firstEntry->timestamp - *start, lastEntry->timestamp - *start + 1};
}

// The palette the demuxer gave the first picture, which goes with every
// picture of a file without palette changes.
std::vector<std::uint8_t> paletteOf(const AVPacket& packet)
{
    std::size_t size = 0;
    const std::uint8_t* palette = av_packet_get_side_data(&packet, AV_PKT_DATA_PALETTE, &size);
    return palette ? std::vector<std::uint8_t>(palette, palette + size) : std::vector<std::uint8_t>();
}

}  // namespace

std::optional<StoredFrames> StoredFrames::find(const LocalFile& file, const AviStream& avi, const AVStream& stream,
                                               const CodedPicture& first)
{
    const AviHeaders& headers = avi.headers();
    if (stream.codecpar->codec_id != AV_CODEC_ID_RAWVIDEO || !headers.movi)
        return std::nullopt;
    std::optional<ChunkLayout> layout = walkChunks(file, *headers.movi, stream.index, mostChunks);
    if (!layout || layout->pictures.empty())
        return std::nullopt;
    std::vector<StoredChunk>& pictures = layout->pictures;
    // A larger chunk than the first is left to the demuxer, which reads it
    // whatever its size, and to the decoder, which refuses it: a buffer per
    // worker is never larger than one picture.
    if (std::any_of(pictures.begin(), pictures.end(),
                    [&](const StoredChunk& chunk) { return chunk.size > pictures[0].size; }))
        return std::nullopt;
    const std::optional<Reading> alongIndex = matchIndex(stream, pictures);
    if (!alongIndex)
        return std::nullopt;

    // Read chunk after chunk, every chunk is a position from the first on;
    // read along the index, from the first entry's. The demuxer chooses
    // between them by itself: where they differ, its first picture shows
    // which it chose, and only a first picture that the reading chunk after
    // chunk explains is taken.
    const std::int64_t end = avi.end(layout->chunks);
    const std::int64_t endAlongIndex = avi.end(alongIndex->end - alongIndex->first);
    const bool several = pictures.size() > 1;
    const std::int64_t firstRepeats = several ? pictures[1].position : end;
    const std::int64_t firstRepeatsAlongIndex = several ? pictures[1].position - alongIndex->first : endAlongIndex;
    const bool sameEither = (!several || alongIndex->first == 0) && end == endAlongIndex;
    if (!first.position || *first.position != 0 || first.repeats != firstRepeats ||
        (!sameEither && firstRepeats == firstRepeatsAlongIndex))
        return std::nullopt;
    if (first.packet->pos != pictures[0].offset + 8 || std::uint32_t(first.packet->size) != pictures[0].size)
        return std::nullopt;
    // Dropped frames before the first picture show it too.
    pictures[0].position = 0;
    return StoredFrames(file, stream.index, std::move(pictures), end, paletteOf(*first.packet));
}

StoredFrames::StoredFrames(const LocalFile& file, int stream, std::vector<StoredChunk> pictures, std::int64_t end,
                           std::vector<std::uint8_t> palette)
    : file_(&file), stream_(stream), pictures_(std::move(pictures)), end_(end), palette_(std::move(palette))
{
}

std::int64_t StoredFrames::repeats(std::size_t picture) const
{
    const std::int64_t next = picture + 1 < pictures_.size() ? pictures_[picture + 1].position : end_;
    return next - pictures_[picture].position;
}

void StoredFrames::readAll(unsigned workers, const EarliestFailure& failure, const Take& take, const Done& done,
                           const Fail& fail) const
{
    // A worker's buffer holds a chunk's header and data, and the zeros a
    // decoder may read past the data; pictures are handed over in it, and it
    // is read into again once the decoder has let go of the picture.
    const std::size_t capacity = 8 + std::size_t(pictures_[0].size) + AV_INPUT_BUFFER_PADDING_SIZE;
    std::vector<BufferPtr> buffers(workers);

    const auto read = [&](unsigned worker, std::size_t picture) {
        const StoredChunk& chunk = pictures_[picture];
        const std::int64_t position = chunk.position;
        BufferPtr& buffer = buffers[worker];
        if (!buffer || !av_buffer_is_writable(buffer.get()))
            buffer.reset(av_buffer_alloc(capacity));
        if (!buffer)
            throw std::bad_alloc();
        std::uint8_t* bytes = buffer->data;
        const std::size_t wanted = 8 + std::size_t(chunk.size);
        for (std::size_t got = 0; got < wanted;) {
            const std::int64_t now = file_->readAt(bytes + got, wanted - got, chunk.offset + std::int64_t(got));
            if (now <= 0)
                return fail(position, now < 0 ? AVERROR(int(-now)) : 0);
            got += std::size_t(now);
        }
        // The file may have changed since its chunks were walked.
        if (!isVideoChunk(bytes, stream_) || AV_RL32(bytes + 4) != chunk.size)
            return fail(position, 0);
        std::memset(bytes + wanted, 0, AV_INPUT_BUFFER_PADDING_SIZE);

        PacketPtr packet(av_packet_alloc());
        if (!packet || !(packet->buf = av_buffer_ref(buffer.get())))
            throw std::bad_alloc();
        packet->data = bytes + 8;
        packet->size = int(chunk.size);
        packet->pos = chunk.offset + 8;
        packet->pts = packet->dts = position;
        packet->flags |= AV_PKT_FLAG_KEY;
        if (!palette_.empty()) {
            std::uint8_t* palette = av_packet_new_side_data(packet.get(), AV_PKT_DATA_PALETTE, palette_.size());
            if (!palette)
                throw std::bad_alloc();
            std::copy(palette_.begin(), palette_.end(), palette);
        }
        take(worker, CodedPicture{std::move(packet), position, repeats(picture)});
    };

    const auto batch = std::size_t(
        std::clamp<std::int64_t>(bytesPerBatch / std::max<std::int64_t>(pictures_[0].size, 1), 1, largestBatch));
    std::size_t next = 0;
    std::int64_t readAheadEnd = 0;
    const auto handOut = [&]() -> std::optional<std::pair<std::size_t, std::size_t>> {
        if (next == pictures_.size() || failure.any())
            return std::nullopt;
        const std::size_t from = next;
        next = std::min(next + batch, pictures_.size());
        const std::int64_t at = pictures_[from].offset;
        if (readAheadEnd < at + readAheadBytes - readAheadStep) {
            readAheadEnd = std::max(readAheadEnd, at);
            file_->readAhead(readAheadEnd, at + readAheadBytes - readAheadEnd);
            readAheadEnd = at + readAheadBytes;
        }
        return std::pair{from, next};
    };
    const auto work = [&](unsigned worker, std::pair<std::size_t, std::size_t>& range) {
        for (std::size_t picture = range.first; picture < range.second; ++picture)
            if (!failure.before(pictures_[picture].position))
                read(worker, picture);
    };
    fanOut<std::pair<std::size_t, std::size_t>>(workers, (workers + 1) / 2, handOut, work, done);
}
