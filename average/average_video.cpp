#include "average/average_video.h"

#include "average/pixel_accumulator.h"
#include "average/turn.h"
#include "video/video_frame_reader.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

// Extra workers, each with a decoder of its own, share this much memory.
// At 8K (33 million pixels) a decoder of 4:2:0 pictures takes about 55 MB:
// enough for 18 of them.
constexpr std::int64_t extraWorkersMemory = std::int64_t(1) << 30;

unsigned workersFor(const VideoFrameReader& reader, unsigned wanted)
{
    const std::int64_t affordable = 1 + extraWorkersMemory / std::max<std::int64_t>(reader.workerMemory(), 1);
    return unsigned(std::clamp<std::int64_t>(affordable, 1, std::max(wanted, 1u)));
}

// A video without pictures gives a black image of the size its header
// states (which the reader has checked).
GreyImage blackImage(const VideoFrameReader& reader)
{
    const std::size_t pixels = std::size_t(reader.width()) * std::size_t(reader.height());
    return {reader.height(), reader.width(), std::vector<std::uint8_t>(pixels)};
}

}  // namespace

GreyImage averageVideo(const std::string& fileName, const AverageOptions& options)
{
    const LocalFile file(fileName);
    VideoFrameReader reader(file);
    const unsigned workers = workersFor(reader, options.workers);
    if (options.opened)
        options.opened(reader.fillsCores(workers), reader.frameCount());

    // One set of sums for every worker, made with the first picture.
    std::optional<PixelAccumulator> sums;
    std::once_flag made;
    reader.readAll(workers, [&](unsigned, const BlueRows& blue, std::int64_t frames) {
        std::call_once(made, [&] { sums.emplace(blue.height(), blue.width()); });
        sums->add(blue, frames);
        if (options.averaged)
            options.averaged(frames);
    });

    const Orientation upright = reader.orientation();
    if (!sums)
        return turned(blackImage(reader), upright.quarterTurns, upright.mirrored);
    GreyImage result{sums->height(), sums->width(), std::move(*sums).average(workers)};
    // Turning moves whole pixels: the average of the turned pictures.
    return turned(std::move(result), upright.quarterTurns, upright.mirrored);
}
