// What keeps a bitmap from being written over what it must not replace.
#pragma once

#include <optional>
#include <string>

// Why the bitmap of an input may not be written under its output name, or
// none: the name leads to the input itself (the same name, or another name of
// the same file, through "./", links or a directory named twice).
std::optional<std::string> outputRefusal(const std::string& input, const std::string& output);
