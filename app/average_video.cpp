#include "average_video.h"

#include "avi_frame_reader.h"
#include "pixel_accumulator.h"

#include <algorithm>
#include <stdexcept>
#include <string>

GreyImage averageVideo(const char* fileName)
{
    AviFrameReader reader(fileName);
    GreyImage frame(reader.height(), reader.width());
    PixelAccumulator accumulator(std::size_t(reader.height()) * std::size_t(reader.width()));

    const std::int32_t frames = reader.frameCount();
    for (std::int32_t k = 0; k < frames;) {
        if (!reader.readFrame(k, frame.data.get()))
            throw std::runtime_error("cannot read frame " + std::to_string(k) + " of " + std::to_string(frames) +
                                     " (damaged, or shorter than its header says)");
        // Dropped frames repeat the picture; a run of them is added at once.
        const std::int32_t repeats = std::min(reader.framesShowing(k), frames - k);
        accumulator.add(frame.data.get(), std::uint64_t(repeats));
        k += repeats;
    }
    accumulator.finish(frame.data.get());
    return frame;
}
