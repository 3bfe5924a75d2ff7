// Where bytes go, piece by piece and in order: a file being written, or
// memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

using ByteSink = std::function<void(const std::uint8_t* bytes, std::size_t size)>;
