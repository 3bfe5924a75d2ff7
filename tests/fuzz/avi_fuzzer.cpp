// Feeds arbitrary bytes, as an AVI file, through the frame reader and the
// averaging exactly as aviavg uses them: failures must come out as
// exceptions with a reason, never as a crash, a sanitizer report or a hang.

#include "average/average_video.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/dev/shm/aviavg-fuzz-" + std::to_string(::getpid()) + ".avi";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        return 0;
    try {
        averageVideo(path, {.workers = 2});
    } catch (const std::runtime_error&) {
    }
    return 0;
}
