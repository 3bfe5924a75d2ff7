// The tool's averaging, as the tests call it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

// The averaged pixels of a file, top row first.
std::vector<std::uint8_t> average(const std::filesystem::path& file,
                                  unsigned workers = std::thread::hardware_concurrency());

// The reason given for a file that cannot be read; "no failure" for one that can.
std::string failureOf(const std::filesystem::path& file, unsigned workers = 2);
