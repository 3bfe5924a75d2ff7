#include "system/windows/system_path.h"

#include "system/windows/wide_text.h"

#include <windows.h>

namespace {

bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool isDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// C:\... or \\server\share...; not \\?\ or \\.\ (nor //?/ or //./).
bool isFullPath(std::wstring_view name)
{
    if (name.size() >= 3 && isDriveLetter(name[0]) && name[1] == L':' && isSeparator(name[2]))
        return true;
    const bool device = name.size() >= 4 && (name[2] == L'?' || name[2] == L'.') && isSeparator(name[3]);
    return name.size() >= 3 && isSeparator(name[0]) && isSeparator(name[1]) && !device;
}

// The path as Windows makes it whole, at any length; empty on failure.
std::wstring fullPath(const std::wstring& name)
{
    const DWORD size = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size > 0 ? ::GetFullPathNameW(name.c_str(), size, full.data(), nullptr) : 0;
    full.resize(length < size ? length : 0);
    return full;
}

}  // namespace

std::wstring systemPath(std::string_view utf8)
{
    std::wstring name = wideFromUtf8(utf8);
    if (!isFullPath(name))
        return name;
    const std::wstring full = fullPath(name);
    if (full.empty() || full.starts_with(L"\\\\.\\"))
        return name;
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}
