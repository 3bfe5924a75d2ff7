#include "video/picture_sizes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

// Pictures come from several decoders in any order. Whatever the order, the
// failure named is the first frame whose size differs from the first frame's,
// and the pictures let through to be averaged all have one size.
TEST(PictureSizes, TheFirstChangeIsNamedWhateverOrderPicturesComeIn)
{
    const std::vector<std::pair<int, int>> sizes = {{4, 4}, {4, 4}, {8, 4}, {4, 4}, {6, 6}};  // frame i's
    std::vector<int> order = {0, 1, 2, 3, 4};
    do {
        PictureSizes pictures;
        EarliestFailure failure;
        std::set<std::pair<int, int>> averaged;
        for (int frame : order)
            if (pictures.accept(frame, {sizes[frame].second, sizes[frame].first}, failure))
                averaged.insert(sizes[frame]);
        EXPECT_EQ(failure.message(), "picture size changes from 4x4 to 8x4 at frame 2");
        EXPECT_EQ(averaged.size(), 1u);
    } while (std::next_permutation(order.begin(), order.end()));
}
