#include "system/replace_file.h"

#include "system/windows/wide_text.h"
#include "system/windows/windows_error.h"

#include <cerrno>
#include <algorithm>
#include <mutex>
#include <random>
#include <string>

#include <windows.h>

namespace {

// The temporary file being written, for the console handler to remove. The
// handler runs on a thread of its own; it keeps the lock until the process
// ends, so that no rename follows its removal.
std::mutex pending;
std::wstring pendingFile;

BOOL WINAPI removePendingFile(DWORD)
{
    pending.lock();
    if (!pendingFile.empty())
        ::DeleteFileW(pendingFile.c_str());
    return FALSE;  // the next handler, in the end the system's, ends the process
}

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

void removeTemporaryFilesOnSignals() { ::SetConsoleCtrlHandler(removePendingFile, TRUE); }

int replaceFile(const char* name, const std::vector<std::uint8_t>& bytes)
{
    const std::wstring target = wideFromUtf8(name);
    std::wstring temporary;
    HANDLE file;
    {
        std::lock_guard lock(pending);
        file = createTemporary(target, temporary);
        if (file == INVALID_HANDLE_VALUE)
            return lastErrorAsErrno();
        pendingFile = temporary;
    }

    bool written = writeAll(file, bytes.data(), bytes.size());
    int error = written ? 0 : lastErrorAsErrno();
    if (!::CloseHandle(file) && written) {
        written = false;
        error = lastErrorAsErrno();
    }

    std::lock_guard lock(pending);
    pendingFile.clear();
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
