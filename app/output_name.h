#pragma once

#include <string>
#include <string_view>

// The bitmap's name for an input: the input up to its first '.', looked for
// among its first 40 characters only, followed by "S.bmp". Directories count:
// "dir.old/clip.avi" gives "dirS.bmp" and "./clip.avi" gives "S.bmp". The 40
// are bytes; a UTF-8 character that the 40th byte would cut in half is left
// out whole.
std::string outputName(std::string_view input);
