#pragma once

#include <string>
#include <string_view>

// The bitmap's name for an input: the input up to its first '.', looked for
// among its first 40 characters only, followed by "S.bmp". Directories count:
// "dir.old/clip.avi" gives "dirS.bmp" and "./clip.avi" gives "S.bmp".
std::string outputName(std::string_view input);
