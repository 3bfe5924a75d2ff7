#include "video/picture_area.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <algorithm>

std::optional<PictureArea> shownArea(const AVFrame& picture)
{
    // Each cut is checked on its own first: together they could wrap around.
    const std::size_t width = std::size_t(std::max(picture.width, 0));
    const std::size_t height = std::size_t(std::max(picture.height, 0));
    if (picture.crop_left >= width || picture.crop_right >= width - picture.crop_left ||
        picture.crop_top >= height || picture.crop_bottom >= height - picture.crop_top)
        return std::nullopt;
    return PictureArea{int(picture.crop_left), int(picture.crop_top),
                       int(width - picture.crop_left - picture.crop_right),
                       int(height - picture.crop_top - picture.crop_bottom)};
}

std::string cropRefusal(const AVFrame& picture)
{
    return "the crop (left " + std::to_string(picture.crop_left) + ", right " + std::to_string(picture.crop_right) +
           ", top " + std::to_string(picture.crop_top) + ", bottom " + std::to_string(picture.crop_bottom) +
           ") leaves nothing of the " + std::to_string(picture.width) + "x" + std::to_string(picture.height) +
           " picture";
}
