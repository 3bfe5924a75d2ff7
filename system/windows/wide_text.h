// Text between UTF-8, as the program keeps it, and UTF-16, as the Windows
// API takes it: names and messages, converted at the system calls only.
#pragma once

#include <string>
#include <string_view>

std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
