// A file name as it may be shown on a terminal in a diagnostic: unchanged
// when every character is printable, otherwise quoted for a POSIX shell with
// the unprintable bytes escaped ('evil'$'\n''.avi'), so that a name can
// neither start a second line nor send the terminal a control sequence.
#pragma once

#include <string>
#include <string_view>

// Names are read as UTF-8 whatever the locale; C0 and C1 controls, DEL and
// bytes that are not valid UTF-8 count as unprintable.
std::string quoteName(std::string_view name);
