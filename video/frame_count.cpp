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

FrameCount statedFrameCount(const AVFormatContext& format, const AVStream& stream, bool avi)
{
    if (stream.nb_frames > 0 && stream.nb_frames <= INT32_MAX)
        return {stream.nb_frames};
    const AVRational rate = stream.avg_frame_rate;
    if (avi || rate.num <= 0 || rate.den <= 0)
        return {};
    std::int64_t frames = 0;
    if (stream.duration > 0 && stream.duration != AV_NOPTS_VALUE)
        frames = av_rescale_q(stream.duration, stream.time_base, av_inv_q(rate));
    else if (format.duration > 0 && format.duration != AV_NOPTS_VALUE)
        frames = av_rescale_q(format.duration, AV_TIME_BASE_Q, av_inv_q(rate));
    if (frames <= 0 || frames > INT32_MAX)
        return {};
    return {frames, true};
}
