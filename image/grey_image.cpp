#include "image/grey_image.h"

#include "system/replace_file.h"

int saveBmp(const GreyImage& image, const char* name)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(bmpSize(image));
    encodeBmp(image, [&](const std::uint8_t* piece, std::size_t size) { bytes.insert(bytes.end(), piece, piece + size); });
    return replaceFile(name, bytes);
}
