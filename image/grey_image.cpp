#include "grey_image.h"

#include <cstddef>

GreyImage::GreyImage(std::int32_t height, std::int32_t width)
    : data(std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t(height) * std::size_t(width))),
      height(height),
      width(width)
{
}
