#include "app/output_name.h"

namespace {

bool isContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

bool isLeadByte(char byte) { return static_cast<unsigned char>(byte) >= 0xC0; }

}  // namespace

std::string outputName(std::string_view input)
{
    constexpr std::size_t scanned = 40;
    std::string_view head = input.substr(0, scanned);
    // A character of several bytes that the cut would split is left out
    // whole: half of it is no character, and no Windows name.
    if (head.size() < input.size() && isContinuationByte(input[head.size()])) {
        std::size_t start = head.size();
        while (start > 0 && head.size() - start < 3 && isContinuationByte(head[start - 1]))
            --start;
        if (start > 0 && isLeadByte(head[start - 1]))
            head = head.substr(0, start - 1);
    }
    std::string_view stem = head.substr(0, head.find('.'));
    return std::string(stem) + "S.bmp";
}
