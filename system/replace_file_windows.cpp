#include "system/replace_file.h"

#include "system/remove_file_on_signal.h"

#include "system/windows/wide_text.h"
#include "system/windows/windows_error.h"

#include <cerrno>
#include <algorithm>
#include <random>
#include <string>

#include <windows.h>

namespace {

bool writeAll(HANDLE file, const std::uint8_t* bytes, std::size_t size)
{
    while (size > 0) {
        const DWORD now = DWORD(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes, now, &written, nullptr))
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

// Makes a new file of the name followed by "." and six random letters, as
// mkstemp does; others may delete it, so that the handler can while it is
// open.
HANDLE createTemporary(const std::wstring& name, std::wstring& temporary)
{
    static std::mt19937 random(std::random_device{}() ^ ::GetCurrentProcessId());
    constexpr wchar_t letters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = name + L".";
        for (int i = 0; i < 6; ++i)
            temporary += letters[random() % (sizeof letters / sizeof *letters - 1)];
        HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

int replaceFile(const char* name, const std::vector<std::uint8_t>& bytes)
{
    const std::wstring target = wideFromUtf8(name);
    std::wstring temporary;
    HANDLE file;
    {
        SignalsHeldBack held;
        file = createTemporary(target, temporary);
        if (file == INVALID_HANDLE_VALUE)
            return lastErrorAsErrno();
        removeFileOnSignal(utf8FromWide(temporary));
    }

    bool written = writeAll(file, bytes.data(), bytes.size());
    int error = written ? 0 : lastErrorAsErrno();
    if (!::CloseHandle(file) && written) {
        written = false;
        error = lastErrorAsErrno();
    }

    SignalsHeldBack held;
    dontRemoveFileOnSignal();
    if (written && ::MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    if (written) {
        error = lastErrorAsErrno();
        // As rename(2) says of a folder in the way.
        const DWORD attributes = ::GetFileAttributesW(target.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            error = EISDIR;
    }
    ::DeleteFileW(temporary.c_str());
    return error;
}
