#include "video/avi_frame_reader.h"

#include "video/bounded_queue.h"
#include "video/decoder.h"
#include "video/demuxer.h"
#include "video/picture_to_blue.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <atomic>
#include <climits>
#include <deque>
#include <exception>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// A run of frame positions that one picture, still to come out of a
// decoder, is to fill.
struct Slot {
    std::int64_t position;
    std::int64_t frames;
};

// A decoder and what goes with it; each worker thread has one.
struct Worker {
    Worker(const AVStream& stream, int threads) : decoder(stream, threads), toBlue(*stream.codecpar) {}
    Decoder decoder;
    PictureToBlue toBlue;
    std::deque<Slot> slots;  // of the pictures sent and not yet out, in display order
};

struct Failure {
    std::int64_t position;
    std::string message;
};

std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

// A reference to a decoded picture, which keeps it when the decoder moves on.
FramePtr referenceTo(const AVFrame& picture)
{
    FramePtr reference(av_frame_clone(&picture));
    if (!reference)
        throw std::bad_alloc();
    return reference;
}

}  // namespace

struct AviFrameReader::State {
    using Delivery = std::function<void(unsigned worker, const AVFrame& picture, Slot slot)>;

    explicit State(const LocalFile& file);
    std::optional<CodedPicture> nextCoded();
    void feed(unsigned worker, const CodedPicture* coded, const Delivery& deliver);
    void finish(unsigned worker, const Delivery& deliver);
    void checkEnd();
    void deliver(unsigned worker, const AVFrame& picture, Slot slot, const PictureSink& add);
    Delivery toSink(const PictureSink& add);
    void readInTurn(const Delivery& deliver, const std::function<bool()>& more);
    void fanOut(unsigned count, const PictureSink& add);
    Failure cannotRead(std::int64_t position, int error = 0) const;
    void fail(Failure failure);
    bool failedBefore(std::int64_t position) const { return failedAt.load() < position; }
    bool failed() const { return failedAt.load() != INT64_MAX; }

    Demuxer demuxer;
    std::int64_t frames = 0;
    // Codecs whose every picture is coded on its own: each packet gives its
    // picture at once, and any decoder can take any packet.
    bool intraOnly = false;
    bool threadedDecoder = false;  // with FFmpeg's threads, for the cores there are
    std::vector<std::unique_ptr<Worker>> workers;
    std::optional<std::pair<int, int>> size;       // the first picture's
    std::optional<int> format;                     // the first picture's
    std::int64_t largestCoded = 0;                 // of the coded pictures read so far
    std::int64_t fileBytes = 0;
    std::deque<std::pair<FramePtr, Slot>> primed;  // decoded on opening, not yet added
    bool started = false;                          // whether a picture to show was read
    std::mutex failing;
    std::optional<Failure> failure;  // the one at the smallest position
    std::atomic<std::int64_t> failedAt = INT64_MAX;
};

AviFrameReader::State::State(const LocalFile& file) : demuxer(file), fileBytes(std::max<std::int64_t>(file.size(), 0))
{
    const AVStream& stream = demuxer.stream();
    // An AVI header's length counts dropped frames too. Other containers may
    // record no count, or one that includes frames an edit list hides; there
    // the pictures shown are counted, by a second reading of the same file.
    // A header that says 0 is one a recorder never finished (it was killed, or
    // wrote to a pipe): there the file's positions are counted too.
    if (demuxer.isAvi() && stream.nb_frames > 0) {
        frames = stream.nb_frames;
    } else {
        Demuxer counter(file);
        while (counter.next())
            ;
        frames = counter.end();
    }
    frames = std::clamp<std::int64_t>(frames, 0, INT32_MAX);
    intraOnly = codesPicturesAlone(*stream.codecpar);
    // A decoder's own threads pay off on pictures from 640x360 on; on smaller
    // ones they cost more than they save, and a caller does better reading
    // other files meanwhile.
    const AVCodec* decoder = avcodec_find_decoder(stream.codecpar->codec_id);
    threadedDecoder = !intraOnly && decoder &&
                      (decoder->capabilities & (AV_CODEC_CAP_FRAME_THREADS | AV_CODEC_CAP_SLICE_THREADS)) &&
                      std::int64_t(stream.codecpar->width) * stream.codecpar->height >= 640 * 360;
    workers.push_back(std::make_unique<Worker>(stream, threadedDecoder ? 0 : 1));

    // The first picture, for its size.
    const Delivery keep = [this](unsigned, const AVFrame& picture, Slot slot) {
        if (!size) {
            size.emplace(picture.width, picture.height);
            format = picture.format;
        }
        primed.emplace_back(referenceTo(picture), slot);
    };
    readInTurn(keep, [this] { return primed.empty(); });
}

std::optional<CodedPicture> AviFrameReader::State::nextCoded()
{
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
// picture that comes out to `deliver` with the slot it fills.
void AviFrameReader::State::feed(unsigned worker, const CodedPicture* coded, const Delivery& deliver)
{
    Worker& own = *workers[worker];
    if (coded && coded->position)
        own.slots.push_back({*coded->position, coded->repeats});
    const int error = own.decoder.decode(coded ? coded->packet.get() : nullptr, [&](const AVFrame& picture) {
        if (own.slots.empty())
            return;  // a picture that no packet accounts for
        const Slot slot = own.slots.front();
        own.slots.pop_front();
        deliver(worker, picture, slot);
    });
    // A decoder of pictures coded on their own gives each one at once; one
    // that gave none has lost it.
    if (own.slots.empty() || (error >= 0 && !(intraOnly && coded)))
        return;
    if (own.decoder.refusedPictureSize())
        fail({own.slots.front().position, "picture larger than 2^25 pixels"});
    else
        fail(cannotRead(own.slots.front().position, error));
    own.slots.clear();
}

// Drains a worker's decoder. In AVI every picture sent must have come out.
// Elsewhere a picture the decoder does not show (one that needs pictures from
// before the file began, as when a recording starts between key frames) is
// no frame: the frames are the pictures shown.
void AviFrameReader::State::finish(unsigned worker, const Delivery& deliver)
{
    feed(worker, nullptr, deliver);
    Worker& own = *workers[worker];
    if (!own.slots.empty() && demuxer.isAvi())
        fail(cannotRead(own.slots.front().position));
}

// The file may end before the frame count: the first missing frame cannot
// be read.
void AviFrameReader::State::checkEnd()
{
    if (demuxer.end() < frames)
        fail(cannotRead(demuxer.end(), demuxer.readError()));
}

void AviFrameReader::State::deliver(unsigned worker, const AVFrame& picture, Slot slot, const PictureSink& add)
{
    // Frames past the header's count are not counted.
    if (slot.position >= frames || failedBefore(slot.position))
        return;
    // Pictures of different sizes have no per-pixel average.
    const std::pair pictureSize(picture.width, picture.height);
    if (!size)
        size = pictureSize;
    if (*size != pictureSize)
        return fail({slot.position, "picture size changes from " + sizeText(size->first, size->second) + " to " +
                                        sizeText(picture.width, picture.height) + " at frame " +
                                        std::to_string(slot.position)});
    // A picture the decoder had to patch up (concealed errors, missing
    // references) holds guesses, which with frame threads may differ from
    // run to run.
    if (picture.decode_error_flags || (picture.flags & AV_FRAME_FLAG_CORRUPT))
        return fail(cannotRead(slot.position, AVERROR_INVALIDDATA));
    const BlueRows* blue = workers[worker]->toBlue.convert(picture);
    if (!blue)
        return fail(cannotRead(slot.position, AVERROR(ENOSYS)));
    add(worker, *blue, std::min(slot.frames, frames - slot.position));
}

AviFrameReader::State::Delivery AviFrameReader::State::toSink(const PictureSink& add)
{
    return [this, &add](unsigned worker, const AVFrame& picture, Slot slot) { deliver(worker, picture, slot, add); };
}

// Decodes on this thread, with worker 0's decoder, while `more` says so.
void AviFrameReader::State::readInTurn(const Delivery& deliver, const std::function<bool()>& more)
{
    while (more() && !failed()) {
        std::optional<CodedPicture> coded = nextCoded();
        if (!coded) {
            finish(0, deliver);
            checkEnd();
            return;
        }
        feed(0, &*coded, deliver);
    }
}

// One thread per worker takes coded pictures from a queue that this thread
// fills. Sums do not depend on the order of the pictures, and a failure on
// one thread stops the reading at that frame: the outcome is the same for
// any number of workers.
void AviFrameReader::State::fanOut(unsigned count, const PictureSink& add)
{
    while (workers.size() < count)
        workers.push_back(std::make_unique<Worker>(demuxer.stream(), 1));
    const Delivery deliverToSink = toSink(add);
    // A worker that is done takes a coded picture waiting, and this thread
    // reads the next in a fraction of the time a decoder takes: one waiting
    // for every two workers, besides the one this thread holds, keeps every
    // worker busy. More would only take memory (a 4096x4096 lossless picture
    // is 27 MB coded).
    BoundedQueue<CodedPicture> queue((count + 1) / 2);
    std::exception_ptr thrown;
    {
        std::vector<std::jthread> threads;
        BoundedQueue<CodedPicture>::Closer closer{queue};
        for (unsigned worker = 0; worker < count; ++worker)
            threads.emplace_back([&, worker] {
                try {
                    while (std::optional<CodedPicture> coded = queue.pop())
                        if (!coded->position || !failedBefore(*coded->position))
                            feed(worker, &*coded, deliverToSink);
                    finish(worker, deliverToSink);
                } catch (...) {
                    std::lock_guard lock(failing);
                    if (!thrown)
                        thrown = std::current_exception();
                    failedAt = -1;
                    queue.close();
                }
            });
        while (failedAt.load() == INT64_MAX) {
            std::optional<CodedPicture> coded = nextCoded();
            if (!coded) {
                checkEnd();
                break;
            }
            queue.push(std::move(*coded));
        }
    }
    if (thrown)
        std::rethrow_exception(thrown);
}

Failure AviFrameReader::State::cannotRead(std::int64_t position, int error) const
{
    std::string message = "cannot read frame " + std::to_string(position) + " of " + std::to_string(frames);
    if (error == AVERROR(ENOSYS))
        return {position, message + ": its pixel format cannot be converted"};
    // FFmpeg's reason, where it says more than that the data ended or did not
    // fit (EINVAL, from decoders given less than a picture).
    if (error < 0 && error != AVERROR_EOF && error != AVERROR(EINVAL)) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(error, text, sizeof text);
        return {position, message + ": " + text};
    }
    return {position, message + " (damaged, or shorter than its header says)"};
}

void AviFrameReader::State::fail(Failure failure)
{
    std::lock_guard lock(failing);
    if (this->failure && this->failure->position <= failure.position)
        return;
    failedAt = failure.position;
    this->failure = std::move(failure);
}

AviFrameReader::AviFrameReader(const LocalFile& file) : state_(std::make_unique<State>(file)) {}

AviFrameReader::~AviFrameReader() = default;

std::int64_t AviFrameReader::frameCount() const { return state_->frames; }

std::int32_t AviFrameReader::width() const
{
    return state_->size ? state_->size->first : state_->demuxer.stream().codecpar->width;
}

std::int32_t AviFrameReader::height() const
{
    return state_->size ? state_->size->second : state_->demuxer.stream().codecpar->height;
}

std::int64_t AviFrameReader::workerMemory() const
{
    const State& state = *state_;
    // A picture in a format unknown until decoded is taken at four bytes a pixel.
    const std::int64_t pixels = std::int64_t(width()) * height();
    const int format = state.format.value_or(state.demuxer.stream().codecpar->format);
    const int picture = av_image_get_buffer_size(AVPixelFormat(format), width(), height(), 1);
    // A header may claim more frames than the file holds: the coded
    // pictures read so far count too.
    const std::int64_t average = state.fileBytes / std::max<std::int64_t>(state.frames, 1);
    return (picture > 0 ? picture : 4 * pixels) + 3 * std::max(average, state.largestCoded);
}

bool AviFrameReader::fillsCores(unsigned workers) const
{
    if (state_->intraOnly)
        return workers >= std::max(std::thread::hardware_concurrency(), 1u);
    return state_->threadedDecoder;
}

void AviFrameReader::readAll(unsigned workers, const PictureSink& add)
{
    State& state = *state_;
    for (auto& [picture, slot] : state.primed)
        state.deliver(0, *picture, slot, add);
    state.primed.clear();
    if (state.intraOnly && workers > 1 && state.size)
        state.fanOut(workers, add);
    else
        state.readInTurn(state.toSink(add), [] { return true; });
    if (state.failure)
        throw std::runtime_error(state.failure->message);
    // Without pictures, the size is the header's.
    if (!state.size)
        Decoder::checkHeaderSize(*state.demuxer.stream().codecpar);
}
