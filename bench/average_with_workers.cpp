// average_with_workers FILE OUTPUT WORKERS
// Averages FILE with the given number of workers and writes the bitmap to
// OUTPUT: with 1, the reference the benchmark compares aviavg's bitmap with;
// with more, a way to measure what workers cost on any machine.

#include "app/bitmap_file.h"
#include "average/average_video.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

int main(int argc, char* argv[])
{
    const int workers = argc == 4 ? std::atoi(argv[3]) : 0;
    if (workers < 1) {
        std::fprintf(stderr, "usage: average_with_workers FILE OUTPUT WORKERS\n");
        return 2;
    }
    try {
        if (int error = saveBmp(averageVideo(argv[1], {.workers = unsigned(workers)}), argv[2])) {
            std::fprintf(stderr, "average_with_workers: %s: %s\n", argv[2], std::strerror(error));
            return 1;
        }
    } catch (const std::runtime_error& failure) {
        std::fprintf(stderr, "average_with_workers: %s: %s\n", argv[1], failure.what());
        return 1;
    }
    return 0;
}
