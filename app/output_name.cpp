#include "app/output_name.h"

std::string outputName(std::string_view input)
{
    constexpr std::size_t scanned = 40;
    std::string_view head = input.substr(0, scanned);
    std::string_view stem = head.substr(0, head.find('.'));
    return std::string(stem) + "S.bmp";
}
