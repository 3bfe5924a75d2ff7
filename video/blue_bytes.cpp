#include "blue_bytes.h"

// Built for AVX2 and for the baseline processor; the loader picks the one the
// machine runs.
[[gnu::target_clones("avx2", "default")]] void takeBlueBytes(const std::uint8_t* __restrict bgr,
                                                             std::uint8_t* __restrict blue, std::size_t pixels)
{
    for (std::size_t i = 0; i < pixels; ++i)
        blue[i] = bgr[3 * i];
}
