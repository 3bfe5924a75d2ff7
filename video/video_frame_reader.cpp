#include "video/video_frame_reader.h"

#include "video/avi/stored_frames.h"
#include "video/decoder.h"
#include "video/demuxer.h"
#include "video/earliest_failure.h"
#include "video/fan_out.h"
#include "video/frame_decoder.h"
#include "video/jpeg_tables.h"
#include "video/frame_count.h"
#include "video/picture_area.h"
#include "video/picture_sizes.h"
#include "video/picture_to_blue.h"
#include "video/read_failure.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The pixels of the pictures a worker is handed at a time, at least, in at
// most so many pictures (which the queue holds a few batches of).
constexpr std::int64_t pixelsPerBatch = std::int64_t(1) << 18;
constexpr std::int64_t largestBatch = 256;

}  // namespace

struct VideoFrameReader::State {
    using Slot = FrameDecoder::Slot;
    using Delivery = std::function<void(unsigned worker, const AVFrame& picture, Slot slot)>;

    explicit State(const LocalFile& file);
    std::optional<CodedPicture> nextCoded();
    void feed(unsigned worker, const CodedPicture* coded, const Delivery& deliver);
    void finish(unsigned worker, const Delivery& deliver);
    void checkEnd();
    void deliver(unsigned worker, const AVFrame& picture, Slot slot, const PictureSink& add);
    Delivery toSink(const PictureSink& add);
    void readInTurn(const Delivery& deliver);
    void readOnWorkers(unsigned workerCount, const PictureSink& add);
    void readStored(unsigned workerCount, const PictureSink& add);
    void addWorkers(unsigned workerCount);
    void cannotReadAt(std::int64_t position, int error = 0);

    Demuxer demuxer;
    FrameCount count;
    // AVI's header count is the frames averaged: those past it are not, and
    // a file that holds fewer fails.
    bool countBinds = false;
    // Codecs whose every picture is coded on its own: each packet gives its
    // picture at once, and any decoder can take any packet.
    bool intraOnly = false;
    bool threadedDecoder = false;  // with FFmpeg's threads, for the cores there are
    std::vector<std::unique_ptr<FrameDecoder>> workers;
    std::optional<CodedPicture> firstCoded;  // read on opening, for its size
    PacketPtr firstPacket;                   // a copy of it, which primes each worker's decoder
    std::optional<StoredFrames> stored;      // uncompressed AVI frames read where they lie
    std::int64_t largestCoded = 0;           // of the coded pictures read so far
    std::int64_t fileBytes = 0;
    bool started = false;                    // whether a picture to show was read
    PictureSizes sizes;
    EarliestFailure failure;
};

VideoFrameReader::State::State(const LocalFile& file)
    : demuxer(file), count(statedFrameCount(demuxer.format(), demuxer.stream(), demuxer.isAvi())),
      countBinds(demuxer.isAvi() && count.frames > 0), intraOnly(codesPicturesAlone(*demuxer.stream().codecpar)),
      threadedDecoder(decoderThreadsPayOff(*demuxer.stream().codecpar)),
      fileBytes(std::max<std::int64_t>(file.size(), 0))
{
    workers.push_back(std::make_unique<FrameDecoder>(demuxer.stream(), threadedDecoder ? 0 : 1));
    firstCoded = nextCoded();
    if (firstCoded && demuxer.avi())
        stored = StoredFrames::find(file, *demuxer.avi(), demuxer.stream(), *firstCoded);
    if (firstCoded && !stored && !(firstPacket = PacketPtr(av_packet_clone(firstCoded->packet.get()))))
        throw std::bad_alloc();
}

std::optional<CodedPicture> VideoFrameReader::State::nextCoded()
{
    if (firstCoded)
        return std::exchange(firstCoded, std::nullopt);
    std::optional<CodedPicture> coded = demuxer.next();
    if (coded)
        largestCoded = std::max<std::int64_t>(largestCoded, coded->packet->size);
    // Dropped frames before the first picture (encoders with B-frames delay
    // it so) show that picture too.
    if (coded && coded->position && !started) {
        started = true;
        coded->repeats += *coded->position;
        coded->position = 0;
    }
    return coded;
}

// Sends a coded picture (null: the end) to a worker's decoder, and each
// picture that comes out to `deliver` with the slot it fills. A decoder of
// pictures coded on their own gives each one at once; one that gave none has
// lost it.
void VideoFrameReader::State::feed(unsigned worker, const CodedPicture* coded, const Delivery& deliver)
{
    const std::optional<FrameDecoder::Loss> loss = workers[worker]->send(
        coded, intraOnly, [&](const AVFrame& picture, Slot slot) { deliver(worker, picture, slot); });
    if (loss && loss->tooLarge)
        failure.record(loss->position, "picture larger than 2^25 pixels");
    else if (loss)
        cannotReadAt(loss->position, loss->error);
}

// Drains a worker's decoder. In AVI every picture sent must have come out.
// Elsewhere a picture the decoder does not show (one that needs pictures from
// before the file began, as when a recording starts between key frames) is
// no frame: the frames are the pictures shown.
void VideoFrameReader::State::finish(unsigned worker, const Delivery& deliver)
{
    feed(worker, nullptr, deliver);
    if (const std::optional<std::int64_t> unfilled = workers[worker]->unfilled(); unfilled && demuxer.isAvi())
        cannotReadAt(*unfilled);
}

// The file may end before AVI's frame count, or before the frames its
// index lists: the first missing frame cannot be read.
void VideoFrameReader::State::checkEnd()
{
    if ((countBinds && demuxer.end() < count.frames) || demuxer.endedEarly())
        cannotReadAt(demuxer.end(), demuxer.readError());
}

void VideoFrameReader::State::deliver(unsigned worker, const AVFrame& picture, Slot slot, const PictureSink& add)
{
    // Frames past AVI's count are not counted.
    if ((countBinds && slot.position >= count.frames) || failure.before(slot.position))
        return;
    const std::optional<PictureArea> area = shownArea(picture);
    if (!area)
        return failure.record(slot.position, cropRefusal(picture) + " at frame " + std::to_string(slot.position));
    if (!sizes.accept(slot.position, {area->height, area->width}, failure))
        return;
    // A picture the decoder had to patch up (concealed errors, missing
    // references) holds guesses, which with frame threads may differ from
    // run to run.
    if (picture.decode_error_flags || (picture.flags & AV_FRAME_FLAG_CORRUPT))
        return cannotReadAt(slot.position, AVERROR_INVALIDDATA);
    const BlueRows* blue = workers[worker]->toBlue().convert(picture, *area);
    if (!blue)
        return cannotReadAt(slot.position, AVERROR(ENOSYS));
    add(worker, *blue, countBinds ? std::min(slot.frames, count.frames - slot.position) : slot.frames);
}

VideoFrameReader::State::Delivery VideoFrameReader::State::toSink(const PictureSink& add)
{
    return [this, &add](unsigned worker, const AVFrame& picture, Slot slot) { deliver(worker, picture, slot, add); };
}

// Decodes on this thread, with worker 0's decoder.
void VideoFrameReader::State::readInTurn(const Delivery& deliver)
{
    while (!failure.any()) {
        std::optional<CodedPicture> coded = nextCoded();
        if (!coded) {
            finish(0, deliver);
            checkEnd();
            return;
        }
        feed(0, &*coded, deliver);
    }
}

// One thread per worker takes coded pictures that this thread reads. Sums do
// not depend on the order of the pictures, and a failure on one thread stops
// the reading at that frame: the outcome is the same for any number of
// workers.
void VideoFrameReader::State::readOnWorkers(unsigned workerCount, const PictureSink& add)
{
    addWorkers(workerCount);
    const Delivery deliverToSink = toSink(add);
    // Small pictures go to a worker several at a time: handing a batch over
    // takes tens of microseconds, as long as decoding and adding 100,000
    // pixels of uncompressed video.
    const AVCodecParameters& parameters = *demuxer.stream().codecpar;
    const std::int64_t pixels = std::max<std::int64_t>(std::int64_t(parameters.width) * parameters.height, 1);
    const auto batch = std::size_t(std::clamp<std::int64_t>(pixelsPerBatch / pixels, 1, largestBatch));
    bool ended = false;
    // MJPEG pictures may leave out tables an earlier one gave, which another
    // worker's decoder has seen.
    std::optional<JpegTables> tables;
    if (parameters.codec_id == AV_CODEC_ID_MJPEG)
        tables.emplace();
    const auto next = [&]() -> std::optional<std::vector<CodedPicture>> {
        std::vector<CodedPicture> some;
        while (some.size() < batch && !ended && !failure.any()) {
            std::optional<CodedPicture> coded = nextCoded();
            if (!coded) {
                ended = true;
                checkEnd();
                break;
            }
            if (tables)
                tables->carryInto(coded->packet);
            some.push_back(std::move(*coded));
        }
        if (some.empty())
            return std::nullopt;
        return some;
    };
    // A worker's decoder first decodes the file's first coded picture, for
    // the state it leaves: decoders of pictures coded on their own may keep
    // some from one picture to the next (MJPEG's tables, which a stream may
    // carry in its first picture only, and the size it expects the pictures
    // to have), and each worker's is to have what one decoder of the whole
    // file would have had.
    const auto decode = [&](unsigned worker, std::vector<CodedPicture>& some) {
        if (firstPacket)
            workers[worker]->prime(*firstPacket);
        for (CodedPicture& coded : some)
            if (!coded.position || !failure.before(*coded.position))
                feed(worker, &coded, deliverToSink);
    };
    // A worker that is done takes a batch waiting, and this thread reads the
    // next in a fraction of the time a decoder takes: one waiting for every
    // two workers, besides the one this thread holds, keeps every worker busy.
    // More would only take memory (a 4096x4096 lossless picture is 27 MB
    // coded).
    fanOut<std::vector<CodedPicture>>(workerCount, (workerCount + 1) / 2, next, decode,
                                      [&](unsigned worker) { finish(worker, deliverToSink); });
}

// Uncompressed AVI frames, read by the workers from where they lie in the
// file, without the demuxer's copy of each chunk.
void VideoFrameReader::State::readStored(unsigned workerCount, const PictureSink& add)
{
    firstCoded.reset();  // read again by a worker, with the others
    addWorkers(workerCount);
    const Delivery deliverToSink = toSink(add);
    stored->readAll(
        workerCount, failure, [&](unsigned worker, const CodedPicture& coded) { feed(worker, &coded, deliverToSink); },
        [&](unsigned worker) { finish(worker, deliverToSink); },
        [&](std::int64_t position, int error) { cannotReadAt(position, error); });
    if (countBinds && stored->end() < count.frames)
        cannotReadAt(stored->end());
}

// Decoders of their own, on one thread each, for the workers after the first.
void VideoFrameReader::State::addWorkers(unsigned workerCount)
{
    while (workers.size() < workerCount)
        workers.push_back(std::make_unique<FrameDecoder>(demuxer.stream(), 1));
}

void VideoFrameReader::State::cannotReadAt(std::int64_t position, int error)
{
    failure.record(position, cannotReadFrame(position, count, error));
}

VideoFrameReader::VideoFrameReader(const LocalFile& file) : state_(std::make_unique<State>(file)) {}

VideoFrameReader::~VideoFrameReader() = default;

FrameCount VideoFrameReader::frameCount() const { return state_->count; }

std::int32_t VideoFrameReader::width() const
{
    const auto size = state_->sizes.size();
    return size ? size->width : state_->demuxer.stream().codecpar->width;
}

std::int32_t VideoFrameReader::height() const
{
    const auto size = state_->sizes.size();
    return size ? size->height : state_->demuxer.stream().codecpar->height;
}

Orientation VideoFrameReader::orientation() const { return streamOrientation(state_->demuxer.stream()); }

bool VideoFrameReader::readsFramesInPlace() const { return state_->stored.has_value(); }

std::int64_t VideoFrameReader::workerMemory() const
{
    const State& state = *state_;
    // The header's size, in the format the decoder expects. A format known
    // only once a picture is decoded (MJPEG's) is taken at two bytes a pixel,
    // as 8-bit 4:2:2, MJPEG's commonest.
    const std::int64_t pixels = std::int64_t(width()) * height();
    const int picture =
        av_image_get_buffer_size(AVPixelFormat(state.workers[0]->pixelFormat()), width(), height(), 1);
    // A header may claim more frames than the file holds, and a container
    // may state none: the first coded picture counts too.
    const std::int64_t average = state.count.frames > 0 ? state.fileBytes / state.count.frames : 0;
    return (picture > 0 ? picture : 2 * pixels) + 3 * std::max(average, state.largestCoded);
}

bool VideoFrameReader::fillsCores(unsigned workers) const
{
    if (state_->intraOnly)
        return workers >= std::max(std::thread::hardware_concurrency(), 1u);
    return state_->threadedDecoder;
}

void VideoFrameReader::readAll(unsigned workers, const PictureSink& add)
{
    State& state = *state_;
    if (state.stored)
        state.readStored(workers, add);
    else if (state.intraOnly && workers > 1)
        state.readOnWorkers(workers, add);
    else
        state.readInTurn(state.toSink(add));
    if (state.failure.message())
        throw std::runtime_error(*state.failure.message());
    // Without pictures, the size is the header's.
    if (!state.sizes.size())
        Decoder::checkHeaderSize(*state.demuxer.stream().codecpar);
}
