// A name as it is given to the Windows API's file calls: UTF-16, and, for a
// full path (C:\..., C:/..., \\server\share\...), the extended-length form
// (\\?\C:\..., \\?\UNC\server\share\...), the one any Windows since 7
// takes at any length, not only up to MAX_PATH (260) characters. Windows
// takes that form as it is, so the path is first made whole as Windows
// would make it: "/" becomes "\", "." and ".." are resolved, doubled
// separators and a name's trailing dots and spaces dropped. Other names
// (relative, C:name, \name) and those in \\?\ or \\.\ form already stay as
// they are, as do those that lead to a device (C:\videos\NUL).
#pragma once

#include <string>
#include <string_view>

std::wstring systemPath(std::string_view name);
