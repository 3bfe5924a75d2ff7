#pragma once

#include "grey_image.h"

// Reads every frame of the file's first video stream and returns, per pixel,
// the mean of its values with one occurrence of the largest left out. Throws
// std::runtime_error with the reason when the video cannot be read in full.
GreyImage averageVideo(const char* fileName);
