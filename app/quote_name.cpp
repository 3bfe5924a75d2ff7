#include "app/quote_name.h"

#include <cstdio>

namespace {

// The length of the printable UTF-8 character that the text starts with; 0
// when it starts with a control or a byte that begins no valid character.
std::size_t printableLength(std::string_view text)
{
    auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead >= 0x20 && lead < 0x7f)
        return 1;
    if (lead < 0xc2 || lead > 0xf4)  // C0, DEL, stray continuation bytes, overlong leads
        return 0;
    const std::size_t length = lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
    // The second byte's range rules out C1 controls (U+0080-U+009F), overlong
    // forms, surrogates and code points past U+10FFFF.
    const unsigned char second = byte(1);
    if ((lead == 0xc2 && second < 0xa0) || (lead == 0xe0 && second < 0xa0) || (lead == 0xed && second > 0x9f) ||
        (lead == 0xf0 && second < 0x90) || (lead == 0xf4 && second > 0x8f))
        return 0;
    return length;
}

bool printable(std::string_view name)
{
    for (std::size_t n; !name.empty(); name.remove_prefix(n))
        if ((n = printableLength(name)) == 0)
            return false;
    return true;
}

// A byte as an escape within $'...'.
std::string escaped(unsigned char byte)
{
    switch (byte) {
    case '\a': return "\\a";
    case '\b': return "\\b";
    case '\t': return "\\t";
    case '\n': return "\\n";
    case '\v': return "\\v";
    case '\f': return "\\f";
    case '\r': return "\\r";
    default: {
        char octal[8];
        std::snprintf(octal, sizeof octal, "\\%03o", byte);
        return octal;
    }
    }
}

}  // namespace

std::string quoteName(std::string_view name)
{
    if (printable(name))
        return std::string(name);
    // Printable runs go between single quotes, unprintable bytes between $'
    // and '; the two kinds of quoting alternate without a gap.
    std::string quoted = "'";
    bool escaping = false;
    while (!name.empty()) {
        const std::size_t length = printableLength(name);
        if ((length == 0) != escaping) {
            quoted += escaping ? "''" : "'$'";
            escaping = !escaping;
        }
        if (escaping)
            quoted += escaped(static_cast<unsigned char>(name.front()));
        else if (name.front() == '\'')
            quoted += "'\\''";
        else
            quoted.append(name.substr(0, length));
        name.remove_prefix(escaping ? 1 : length);
    }
    return quoted + "'";
}
