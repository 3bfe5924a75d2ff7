#include "system/file_identity.h"

#include "system/windows/scoped_handle.h"
#include "system/windows/system_path.h"

#include <windows.h>

namespace {

// Opened for nothing but its attributes; backup semantics open a folder, and
// FILE_FLAG_OPEN_REPARSE_POINT a link itself rather than what it leads to.
std::optional<FileIdentity> identify(const std::string& name, DWORD flags)
{
    const ScopedHandle file(::CreateFileW(systemPath(name).c_str(), 0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file.valid() || !::GetFileInformationByHandle(file.get(), &information))
        return std::nullopt;
    return FileIdentity{information.dwVolumeSerialNumber,
                        std::uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
}

}  // namespace

std::optional<FileIdentity> identifyFile(const std::string& name) { return identify(name, 0); }

std::optional<FileIdentity> identifyName(const std::string& name)
{
    return identify(name, FILE_FLAG_OPEN_REPARSE_POINT);
}
