// aviavg FILE...
// For each video file, writes the per-pixel mean of all its frames, with each
// pixel's largest value left out once, as a greyscale bitmap named from the
// input ("clip.avi" gives "clipS.bmp"), and prints "usredniono" with that name.

#include "average_video.h"
#include "output_name.h"
#include "quote_name.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

#include <malloc.h>
#include <unistd.h>

namespace {

// One line on standard error, however the name is made.
void report(const char* file, const std::string& reason)
{
    std::fprintf(stderr, "aviavg: %s: %s\n", quoteName(file).c_str(), reason.c_str());
}

bool averageFile(const char* input)
{
    const std::string output = outputName(input);
    if (output == input) {
        report(input, "the output name " + quoteName(output) + " is the input's own; not overwriting it");
        return false;
    }
    try {
        const GreyImage result = averageVideo(input, std::thread::hardware_concurrency(), ::isatty(STDERR_FILENO));
        // No line break: the messages of several files follow each other.
        std::printf("usredniono %s", output.c_str());
        if (::isatty(STDOUT_FILENO))
            std::fflush(stdout);
        if (int error = result.saveBmp(output.c_str())) {
            report(input, "cannot write " + quoteName(output) + ": " + std::strerror(error));
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        report(input, "out of memory");
    } catch (const std::runtime_error& failure) {
        report(input, failure.what());
    }
    return false;
}

}  // namespace

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
    removePartialBitmapsOnSignals();

    bool succeeded = true;
    for (int i = 1; i < argc; ++i)
        succeeded &= averageFile(argv[i]);
    if (std::fflush(stdout) != 0) {
        report("standard output", std::strerror(errno));
        return 1;
    }
    return succeeded ? 0 : 1;
}
