#include "tests/support/averages.h"

#include "average/average_video.h"

#include <stdexcept>

std::vector<std::uint8_t> average(const std::filesystem::path& file, unsigned workers)
{
    return averageVideo(file.string(), {.workers = workers}).pixels;
}

std::string failureOf(const std::filesystem::path& file, unsigned workers)
{
    try {
        averageVideo(file.string(), {.workers = workers});
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "no failure";
}
