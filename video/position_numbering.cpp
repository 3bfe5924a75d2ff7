#include "video/position_numbering.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/avutil.h>
}

#include <algorithm>

std::optional<std::int64_t> PositionNumbering::number(const AVPacket& packet)
{
    std::optional<std::int64_t> position;
    if (chunksAreFrames_) {
        const bool timed = packet.dts != AV_NOPTS_VALUE;
        if (!firstDts_)
            firstDts_ = timed ? packet.dts : 0;
        position = timed ? std::max(packet.dts - *firstDts_, next_) : next_;
    } else if (packet.size > 0 && !(packet.flags & AV_PKT_FLAG_DISCARD)) {
        position = next_;
    }
    if (position)
        next_ = *position + 1;
    return position;
}
