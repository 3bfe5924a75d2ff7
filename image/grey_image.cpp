#include "image/grey_image.h"

#include "system/replace_file.h"

int saveBmp(const GreyImage& image, const char* name)
{
    return replaceFile(name, [&](const ByteSink& write) { encodeBmp(image, write); });
}
