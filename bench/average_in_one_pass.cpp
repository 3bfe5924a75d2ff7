// average_in_one_pass FILE OUTPUT
// Averages FILE reading its frames in turn on one thread, and writes the
// bitmap to OUTPUT: the reference the benchmark compares aviavg's bitmap with.

#include "app/average_video.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: average_in_one_pass FILE OUTPUT\n");
        return 2;
    }
    try {
        if (int error = saveBmp(averageVideo(argv[1], 1), argv[2])) {
            std::fprintf(stderr, "average_in_one_pass: %s: %s\n", argv[2], std::strerror(error));
            return 1;
        }
    } catch (const std::runtime_error& failure) {
        std::fprintf(stderr, "average_in_one_pass: %s: %s\n", argv[1], failure.what());
        return 1;
    }
    return 0;
}
