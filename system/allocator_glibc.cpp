#include "system/allocator.h"

#include <algorithm>
#include <thread>

#include <malloc.h>

void tuneAllocator()
{
    // The demuxer and decoders allocate and free frame-sized buffers for every
    // frame. Kept on the heap instead of being mapped afresh each time, their
    // pages are not faulted in again and again: a third of the time on
    // uncompressed video. Up to an uncompressed 4K picture of 24 bits: larger
    // buffers, held a few at a time, left holes in the heap that cost more
    // memory (50 MB more at 4096x4096 HuffYUV) than faulting them in costs
    // time next to decoding them.
    ::mallopt(M_MMAP_THRESHOLD, 3840 * 2160 * 3 + 4096);
    ::mallopt(M_TRIM_THRESHOLD, 128 << 20);
    // Decoder threads are made anew for every file; left alone, glibc keeps
    // giving them fresh heaps, and peak memory creeps up with the number of
    // inputs (by 20% over 1000 HuffYUV files).
    ::mallopt(M_ARENA_MAX, int(2 * std::max(std::thread::hardware_concurrency(), 1u)));
}
