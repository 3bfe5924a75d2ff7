// The crop a decoder signals: what is left is shown, a crop that leaves
// nothing or reaches past the picture is refused, also one whose sides add
// up past the largest size_t.
#include "video/ffmpeg_raii.h"
#include "video/picture_area.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <gtest/gtest.h>

#include <cstdint>

TEST(PictureArea, ACropThatLeavesNothingIsRefused)
{
    const struct {
        std::size_t left, right, top, bottom;
        bool shown;
    } cases[] = {
        {4, 6, 2, 0, true},        {223, 0, 0, 159, true},          {0, 224, 0, 0, false},
        {200, 24, 0, 0, false},    {0, 0, 80, 80, false},           {SIZE_MAX, 2, 0, 0, false},
        {2, SIZE_MAX - 1, 0, 0, false}, {0, 0, 1, SIZE_MAX, false},
    };
    const FramePtr picture(av_frame_alloc());
    picture->width = 224;
    picture->height = 160;
    for (const auto& c : cases) {
        picture->crop_left = c.left;
        picture->crop_right = c.right;
        picture->crop_top = c.top;
        picture->crop_bottom = c.bottom;
        EXPECT_EQ(shownArea(*picture).has_value(), c.shown)
            << c.left << " " << c.right << " " << c.top << " " << c.bottom;
    }
    EXPECT_EQ(cropRefusal(*picture), "the crop (left 0, right 0, top 1, bottom " + std::to_string(SIZE_MAX) +
                                         ") leaves nothing of the 224x160 picture");
}
