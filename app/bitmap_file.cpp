#include "app/bitmap_file.h"

#include "image/bmp.h"
#include "system/replace_file.h"

int saveBmp(const GreyImage& image, const std::string& name)
{
    return replaceFile(name, [&](const ByteSink& write) { encodeBmp(image, write); });
}
