#include "video/read_failure.h"

extern "C" {
#include <libavutil/error.h>
}

std::string cannotReadFrame(std::int64_t position, const FrameCount& count, int error)
{
    std::string message = "cannot read frame " + std::to_string(position) + count.ofAll();
    if (error == AVERROR(ENOSYS))
        return message + ": its pixel format cannot be converted";
    if (error < 0 && error != AVERROR_EOF && error != AVERROR(EINVAL)) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(error, text, sizeof text);
        return message + ": " + text;
    }
    return message + " (damaged, or shorter than its header says)";
}
