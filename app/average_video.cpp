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

struct FrameRange {
    std::int32_t first;
    std::int32_t end;
};

// Adds the frames of a range, each run of repeated pictures at once.
void accumulate(AviFrameReader& reader, FrameRange range, PixelAccumulator& accumulator, ProgressLine* progress)
{
    for (std::int32_t k = range.first; k < range.end;) {
        const std::optional<BgrFrame> frame = reader.readFrame(k);
        if (!frame)
            throw std::runtime_error("cannot read frame " + std::to_string(k) + " of " +
                                     std::to_string(reader.frameCount()) +
                                     " (damaged, or shorter than its header says)");
        const std::int32_t repeats = std::min(reader.framesShowing(k), range.end - k);
        accumulator.add(*frame, std::uint64_t(repeats));
        k += repeats;
        if (progress)
            progress->advance(repeats);
    }
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
    std::vector<std::future<PixelAccumulator>> parts;
    for (std::size_t i = 1; i < ranges.size(); ++i)
        parts.push_back(std::async(std::launch::async, [&file, range = ranges[i], progress] {
            AviFrameReader own(file);
            PixelAccumulator part(own.height(), own.width());
            accumulate(own, range, part, progress);
            return part;
        }));

    PixelAccumulator total(reader.height(), reader.width());
    accumulate(reader, ranges.front(), total, progress);
    for (std::future<PixelAccumulator>& part : parts)
        total.merge(part.get());
    GreyImage result(reader.height(), reader.width());
    total.finish(result.data.get());
    return result;
}
