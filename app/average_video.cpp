#include "app/average_video.h"

#include "app/pixel_accumulator.h"
#include "app/progress_line.h"
#include "app/quote_name.h"
#include "video/avi_frame_reader.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// Each worker past the first keeps sums of its own (7 bytes a pixel) and a
// decoder's pictures (about 3 more); together they stay within this.
constexpr std::int64_t extraWorkersMemory = std::int64_t(64) << 20;
constexpr std::int64_t workerBytesPerPixel = 10;

unsigned workersFor(const AviFrameReader& reader, unsigned wanted)
{
    const std::int64_t pixels = std::max<std::int64_t>(std::int64_t(reader.width()) * reader.height(), 1);
    const std::int64_t affordable = 1 + extraWorkersMemory / (workerBytesPerPixel * pixels);
    return unsigned(std::clamp<std::int64_t>(affordable, 1, std::max(wanted, 1u)));
}

// A video without pictures gives a black image of the size its header
// states (which the reader has checked).
GreyImage blackImage(const AviFrameReader& reader)
{
    const std::size_t pixels = std::size_t(reader.width()) * std::size_t(reader.height());
    return {reader.height(), reader.width(), std::vector<std::uint8_t>(pixels)};
}

}  // namespace

GreyImage averageVideo(const char* fileName, unsigned workers, const std::atomic<bool>* showProgress,
                       const std::function<void(bool fillsCores)>& opened)
{
    const LocalFile file(fileName);
    AviFrameReader reader(file);
    // Each worker adds its pictures into sums of its own, made with its first
    // picture; they are merged at the end.
    std::vector<std::optional<PixelAccumulator>> sums(workersFor(reader, workers));
    if (opened)
        opened(reader.fillsCores(unsigned(sums.size())));
    std::optional<ProgressLine> progress;
    if (showProgress)
        progress.emplace(quoteName(fileName), reader.frameCount(), *showProgress);

    reader.readAll(unsigned(sums.size()), [&](unsigned worker, const BlueRows& blue, std::int64_t frames) {
        std::optional<PixelAccumulator>& own = sums[worker];
        if (!own)
            own.emplace(blue.height(), blue.width());
        own->add(blue, std::uint64_t(frames));
        if (progress)
            progress->advance(frames);
    });

    std::optional<PixelAccumulator> total;
    for (std::optional<PixelAccumulator>& part : sums) {
        if (!part)
            continue;
        if (total)
            total->merge(std::move(*part));
        else
            total = std::move(part);
    }
    if (!total)
        return blackImage(reader);
    GreyImage result{total->height(), total->width(),
                     std::vector<std::uint8_t>(std::size_t(total->height()) * std::size_t(total->width()))};
    total->finish(result.pixels.data());
    return result;
}
