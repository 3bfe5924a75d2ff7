#pragma once

#include <cstddef>
#include <cstdint>

// Copies the blue byte, the first of each three, of `pixels` pixels stored as
// blue, green, red.
void takeBlueBytes(const std::uint8_t* bgr, std::uint8_t* blue, std::size_t pixels);
