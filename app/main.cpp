// aviavg FILE...
// For each video file, writes the per-pixel mean of all its frames, with each
// pixel's largest value left out once, as a greyscale bitmap named from the
// input ("clip.avi" gives "clipS.bmp"), and prints "usredniono" with that name.

#include "app/average_files.h"
#include "image/replace_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include <malloc.h>

int main(int argc, char* argv[])
{
    // The demuxer and decoders allocate and free frame-sized buffers for every
    // frame. Kept on the heap instead of being mapped afresh each time, their
    // pages are not faulted in again and again: a third of the time on
    // uncompressed video.
    ::mallopt(M_MMAP_THRESHOLD, 64 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // Decoder threads are made anew for every file; left alone, glibc keeps
    // giving them fresh heaps, and peak memory creeps up with the number of
    // inputs (by 20% over 1000 HuffYUV files).
    ::mallopt(M_ARENA_MAX, int(2 * std::max(std::thread::hardware_concurrency(), 1u)));
    removeTemporaryFilesOnSignals();

    const bool succeeded = averageFiles({argv + 1, argv + argc});
    if (std::fflush(stdout) != 0) {
        report("standard output", std::strerror(errno));
        return 1;
    }
    return succeeded ? 0 : 1;
}
