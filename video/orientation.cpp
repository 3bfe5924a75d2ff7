#include "video/orientation.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <cmath>
#include <cstdint>

namespace {

// FFmpeg keeps the matrix with the stream up to 6.0 and with its codec
// parameters from 6.1 on, where the stream's side data is deprecated.
const std::int32_t* displayMatrix(const AVStream& stream)
{
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
#if LIBAVFORMAT_VERSION_INT >= AV_VERSION_INT(60, 15, 100)
    const AVCodecParameters& parameters = *stream.codecpar;
    if (const AVPacketSideData* side = av_packet_side_data_get(
            parameters.coded_side_data, parameters.nb_coded_side_data, AV_PKT_DATA_DISPLAYMATRIX)) {
        data = side->data;
        size = side->size;
    }
#else
    data = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
#endif
    return data && size >= 9 * sizeof(std::int32_t) ? reinterpret_cast<const std::int32_t*>(data) : nullptr;
}

}  // namespace

Orientation streamOrientation(const AVStream& stream)
{
    const std::int32_t* matrix = displayMatrix(stream);
    if (!matrix)
        return {};
    // The clockwise angle, from 0 to 359.
    double angle = -std::round(av_display_rotation_get(matrix));
    if (std::isnan(angle))
        return {};  // a matrix that maps the picture onto a line
    angle -= 360 * std::floor(angle / 360 + 0.9 / 360);
    // At 0 and 180 degrees the signs of [0] and [4] say whether the columns
    // and the rows are reversed (both: a half turn, one: a mirror image); at
    // 90 and 270 the sign of [3] tells a turn from a mirrored one.
    if (std::abs(angle - 90) < 1)
        return matrix[3] > 0 ? Orientation{3, true} : Orientation{1, false};
    if (std::abs(angle - 180) < 1) {
        const bool columnsFlipped = matrix[0] < 0;
        const bool rowsFlipped = matrix[4] < 0;
        return {rowsFlipped ? 2 : 0, columnsFlipped != rowsFlipped};
    }
    if (std::abs(angle - 270) < 1)
        return matrix[3] < 0 ? Orientation{1, true} : Orientation{3, false};
    if (std::abs(angle) > 1)
        return {};  // not a quarter turn
    return {matrix[4] < 0 ? 2 : 0, matrix[4] < 0};
}
