// Turning an image to be shown upright.
#pragma once

#include "image/grey_image.h"

// The image mirrored left to right when asked, then turned clockwise by
// quarter turns (0 to 3); width and height swap for an odd number.
GreyImage turned(GreyImage image, int quarterTurns, bool mirrored);
