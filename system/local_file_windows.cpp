#include "system/local_file.h"

#include "system/windows/system_path.h"
#include "system/windows/windows_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

#include <windows.h>

namespace {

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

[[noreturn]] void fail(int error) { throw std::runtime_error(std::strerror(error)); }

// Whether the name leads to a device (CON, NUL, COM1, ... in any folder, or
// \\.\ names): Windows makes their full names "\\.\CON". Opening CON for
// reading may wait for the keyboard, or fail with no console at all.
bool namesDevice(const std::wstring& name)
{
    const DWORD length = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    return length > 0 && ::GetFullPathNameW(name.c_str(), length, full.data(), nullptr) > 0 &&
           full.starts_with(L"\\\\.\\");
}

}  // namespace

LocalFile::LocalFile(std::string name) : name_(std::move(name))
{
    // Other programs may go on reading, writing, renaming it, as on Linux.
    // Backup semantics open a folder too, so that it can be named as one.
    const std::wstring path = systemPath(name_);
    if (namesDevice(path))
        throw std::runtime_error("not a regular file");
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail(lastErrorAsErrno());
    handle_ = reinterpret_cast<std::intptr_t>(file);
    // NUL, CON, COM1 and pipes are no disk files: not to be read at offsets.
    BY_HANDLE_FILE_INFORMATION information{};
    const bool disk = ::GetFileType(file) == FILE_TYPE_DISK;
    if (!disk || !::GetFileInformationByHandle(file, &information)) {
        const int error = disk ? lastErrorAsErrno() : 0;
        ::CloseHandle(file);
        if (error)
            fail(error);
        throw std::runtime_error("not a regular file");
    }
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::CloseHandle(file);
        fail(EISDIR);
    }
}

LocalFile::~LocalFile() { ::CloseHandle(handleOf(handle_)); }

std::int64_t LocalFile::readAt(void* buffer, std::size_t size, std::int64_t offset) const
{
    OVERLAPPED at{};
    at.Offset = DWORD(offset);
    at.OffsetHigh = DWORD(offset >> 32);
    DWORD got = 0;
    const DWORD wanted = DWORD(std::min<std::size_t>(size, std::numeric_limits<DWORD>::max()));
    if (!::ReadFile(handleOf(handle_), buffer, wanted, &got, &at))
        return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -lastErrorAsErrno();
    return got;
}

std::int64_t LocalFile::size() const
{
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(handleOf(handle_), &size) ? size.QuadPart : -lastErrorAsErrno();
}

// Windows has no such hint for an open file; its cache manager reads ahead
// of reads that follow each other through a file on its own.
void LocalFile::readAhead(std::int64_t, std::int64_t) const {}
