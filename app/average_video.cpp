#include "app/average_video.h"

#include "app/pixel_accumulator.h"
#include "app/progress_line.h"
#include "app/quote_name.h"
#include "video/avi_frame_reader.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// As many pixels as 8K video has and a little more.
constexpr std::int64_t maximumPixels = std::int64_t(1) << 25;

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

std::string sizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + "x" + std::to_string(height);
}

// A video without pictures gives a black image of the size its header states.
GreyImage blackImage(const AviFrameReader& reader)
{
    const std::int64_t width = reader.width();
    const std::int64_t height = reader.height();
    if (width <= 0 || height <= 0 || width * height > maximumPixels)
        throw std::runtime_error("unusable frame size " + sizeText(width, height));
    return {std::int32_t(height), std::int32_t(width), std::vector<std::uint8_t>(std::size_t(width * height))};
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

    reader.readAll(unsigned(sums.size()), [&](unsigned worker, const BluePlane& blue, std::int64_t frames) {
        std::optional<PixelAccumulator>& own = sums[worker];
        if (!own)
            own.emplace(blue.height, blue.width);
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
