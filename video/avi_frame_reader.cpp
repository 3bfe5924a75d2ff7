#include "avi_frame_reader.h"

extern "C" {
#include <libavcodec/codec_par.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

std::string sizeText(int width, int height) { return std::to_string(width) + "x" + std::to_string(height); }

}  // namespace

AviFrameReader::AviFrameReader(const LocalFile& file)
    : stream_(file), converter_(stream_.parameters()), frameCount_(std::int32_t(stream_.length()))
{
    stream_.openDecoder();
}

std::int32_t AviFrameReader::headerWidth() const { return stream_.parameters().width; }
std::int32_t AviFrameReader::headerHeight() const { return stream_.parameters().height; }

std::optional<BgrFrame> AviFrameReader::readFrame(std::int32_t k)
{
    const AVFrame* picture = stream_.pictureAt(k);
    if (!picture) {
        if (stream_.refusedPictureSize())
            throw std::runtime_error("picture larger than 2^25 pixels");
        return std::nullopt;
    }
    // Pictures of different sizes have no per-pixel average.
    if (!pictureSize_)
        pictureSize_.emplace(picture->width, picture->height);
    else if (*pictureSize_ != std::pair(picture->width, picture->height))
        throw std::runtime_error("picture size changes from " + sizeText(pictureSize_->first, pictureSize_->second) +
                                 " to " + sizeText(picture->width, picture->height) + " at frame " +
                                 std::to_string(k));
    return converter_.convert(*picture);
}

std::int32_t AviFrameReader::framesShowing(std::int32_t k)
{
    return std::max(std::int32_t(stream_.nextPicture(std::int64_t(k) + 1)) - k, 1);
}

std::int32_t AviFrameReader::nextKeyFrame(std::int32_t k)
{
    return std::int32_t(stream_.nextKeyFrame(k).value_or(-1));
}
