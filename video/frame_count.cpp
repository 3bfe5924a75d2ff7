#include "video/frame_count.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include <climits>

std::string FrameCount::ofAll() const
{
    if (frames <= 0)
        return "";
    return (approximate ? " of about " : " of ") + std::to_string(frames);
}

FrameCount statedFrameCount(const AVStream& stream, bool avi)
{
    if (stream.nb_frames > 0 && stream.nb_frames <= INT32_MAX)
        return {stream.nb_frames};
    const AVRational rate = stream.avg_frame_rate;
    if (avi || stream.duration <= 0 || stream.duration == AV_NOPTS_VALUE || rate.num <= 0 || rate.den <= 0)
        return {};
    const std::int64_t frames = av_rescale_q(stream.duration, stream.time_base, av_inv_q(rate));
    if (frames <= 0 || frames > INT32_MAX)
        return {};
    return {frames, true};
}
