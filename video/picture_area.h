// The part of a decoded picture that is shown: decoders leave the picture
// at its coded size (rows and columns padded to whole blocks, 1920x1088 for
// 1080p H.264) and say in the frame how much to cut on each side, at any
// offset. The cut is taken here rather than by FFmpeg, which cuts a left or
// top offset only to an aligned column (a Theora picture 214 wide at x = 4
// would come out 218 wide).
#pragma once

#include <optional>
#include <string>

struct AVFrame;

struct PictureArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The area the picture's crop leaves; none when it leaves nothing or reaches
// past the picture.
std::optional<PictureArea> shownArea(const AVFrame& picture);

// Why the picture's crop is refused, for a picture that shownArea refuses.
std::string cropRefusal(const AVFrame& picture);
