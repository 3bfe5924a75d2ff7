#include "system/new_file.h"

#include "system/windows/system_path.h"
#include "system/windows/windows_error.h"

#include <algorithm>
#include <cerrno>

#include <windows.h>

namespace {

HANDLE handleOf(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

int createNewFile(const std::string& name, FileHandle& file)
{
    HANDLE created = ::CreateFileW(systemPath(name).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        return lastErrorAsErrno();
    file = reinterpret_cast<FileHandle>(created);
    return 0;
}

int writeAll(FileHandle file, const std::vector<std::uint8_t>& bytes)
{
    const std::uint8_t* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD now = DWORD(std::min<std::size_t>(left, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(handleOf(file), next, now, &written, nullptr))
            return lastErrorAsErrno();
        next += written;
        left -= written;
    }
    return 0;
}

int closeFile(FileHandle file) { return ::CloseHandle(handleOf(file)) ? 0 : lastErrorAsErrno(); }

int renameOver(const std::string& from, const std::string& to)
{
    const std::wstring target = systemPath(to);
    if (::MoveFileExW(systemPath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    const int error = lastErrorAsErrno();
    // As rename(2) says of a folder in the way.
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR : error;
}

void removeFile(const std::string& name) { ::DeleteFileW(systemPath(name).c_str()); }
