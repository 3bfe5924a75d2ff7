#include "average_video.h"

#include "avi_frame_reader.h"
#include "pixel_accumulator.h"
#include "progress_line.h"
#include "quote_name.h"

#include <algorithm>
#include <future>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// As many pixels as 8K video has and a little more.
constexpr std::int64_t maximumPixels = std::int64_t(1) << 25;

struct FrameRange {
    std::int32_t first;
    std::int32_t end;
};

std::string sizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

// Adds the frames of a range, each run of repeated pictures at once. The
// sums take the size of the first picture; none are made for an empty range.
std::optional<PixelAccumulator> accumulate(AviFrameReader& reader, FrameRange range, ProgressLine* progress)
{
    std::optional<PixelAccumulator> accumulator;
    for (std::int32_t k = range.first; k < range.end;) {
        const std::optional<BgrFrame> frame = reader.readFrame(k);
        if (!frame)
            throw std::runtime_error("cannot read frame " + std::to_string(k) + " of " +
                                     std::to_string(reader.frameCount()) +
                                     " (damaged, or shorter than its header says)");
        if (!accumulator)
            accumulator.emplace(frame->height, frame->width);
        const std::int32_t repeats = std::min(reader.framesShowing(k), range.end - k);
        accumulator->add(*frame, std::uint64_t(repeats));
        k += repeats;
        if (progress)
            progress->advance(repeats);
    }
    return accumulator;
}

// Whether at least one frame in four is a key frame: codecs that code most
// frames on their own (MJPEG, uncompressed, HuffYUV, FFV1, ...), as against
// those that predict frames from others and decode on several threads
// themselves (H.264, MPEG-4).
bool mostlyKeyFrames(AviFrameReader& reader)
{
    const std::int64_t frames = reader.frameCount();
    std::int64_t keyFrames = 0;
    for (std::int32_t key = reader.nextKeyFrame(0); key >= 0 && 4 * keyFrames < frames;
         key = reader.nextKeyFrame(key + 1))
        ++keyFrames;
    return 4 * keyFrames >= frames;
}

// For a video of mostly key frames, one range per worker, each starting at the
// first key frame after the point that splits the frames evenly; otherwise a
// single range, left to the decoder's own threads.
std::vector<FrameRange> splitAtKeyFrames(AviFrameReader& reader, unsigned workers)
{
    const std::int32_t frames = reader.frameCount();
    const std::int64_t slack = frames / (4 * std::int64_t(workers));
    std::vector<FrameRange> ranges = {{0, frames}};
    if (workers < 2 || !mostlyKeyFrames(reader))
        return ranges;
    for (unsigned i = 1; i < workers; ++i) {
        const auto even = std::int32_t(std::int64_t(frames) * i / workers);
        const std::int32_t key = reader.nextKeyFrame(even);
        if (key < 0 || key - even > slack)
            return {{0, frames}};
        if (key > ranges.back().first) {
            ranges.back().end = key;
            ranges.push_back({key, frames});
        }
    }
    return ranges;
}

}  // namespace

GreyImage averageVideo(const char* fileName, unsigned workers, bool showProgress)
{
    const LocalFile file(fileName);
    AviFrameReader reader(file);
    const std::vector<FrameRange> ranges = splitAtKeyFrames(reader, std::max(workers, 1u));
    std::optional<ProgressLine> progressLine;
    if (showProgress)
        progressLine.emplace(quoteName(fileName), reader.frameCount());
    ProgressLine* progress = progressLine ? &*progressLine : nullptr;

    // Every range but the first is read on a thread of its own, by a reader
    // of its own (on the same open file), into sums of its own; they are
    // merged at the end.
    std::vector<std::future<std::optional<PixelAccumulator>>> parts;
    for (std::size_t i = 1; i < ranges.size(); ++i)
        parts.push_back(std::async(std::launch::async, [&file, range = ranges[i], progress] {
            AviFrameReader own(file);
            return accumulate(own, range, progress);
        }));

    std::optional<PixelAccumulator> total = accumulate(reader, ranges.front(), progress);
    for (std::size_t i = 1; i < ranges.size(); ++i) {
        std::optional<PixelAccumulator> part = parts[i - 1].get();
        if (!part)
            continue;
        if (!total) {
            total = std::move(part);
            continue;
        }
        if (part->width() != total->width() || part->height() != total->height())
            throw std::runtime_error("picture size changes from " + sizeText(total->width(), total->height()) +
                                     " to " + sizeText(part->width(), part->height()) + " at frame " +
                                     std::to_string(ranges[i].first));
        total->merge(std::move(*part));
    }
    if (total) {
        GreyImage result(total->height(), total->width());
        total->finish(result.data.get());
        return result;
    }
    // No pictures at all: a black image of the size the header states.
    const std::int64_t width = reader.headerWidth();
    const std::int64_t height = reader.headerHeight();
    if (width <= 0 || height <= 0 || width * height > maximumPixels)
        throw std::runtime_error("unusable frame size " + sizeText(width, height));
    GreyImage result{std::int32_t(height), std::int32_t(width)};
    std::fill_n(result.data.get(), width * height, 0);
    return result;
}
