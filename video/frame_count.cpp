#include "video/frame_count.h"

#include "video/demuxer.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <climits>

std::int64_t countFrames(const LocalFile& file, const Demuxer& demuxer)
{
    std::int64_t frames = demuxer.stream().nb_frames;
    if (!demuxer.isAvi() || frames <= 0 || frames > INT32_MAX) {
        Demuxer counter(file);
        while (counter.next())
            ;
        frames = counter.end();
    }
    return std::clamp<std::int64_t>(frames, 0, INT32_MAX);
}
