#include "system/file_identity.h"

#include "system/windows/system_path.h"

#include <windows.h>

std::optional<FileIdentity> identifyFile(const char* name)
{
    // Opened for nothing but its attributes; backup semantics open a folder.
    HANDLE file = ::CreateFileW(systemPath(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = ::GetFileInformationByHandle(file, &information);
    ::CloseHandle(file);
    if (!known)
        return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        std::uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
}
