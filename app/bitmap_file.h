// An image written as a BMP file, replacing any earlier file of that name
// only once the new one is complete.
#pragma once

#include "image/grey_image.h"

#include <string>

// Returns 0, or the errno value of the failure. The name is UTF-8.
int saveBmp(const GreyImage& image, const std::string& name);
