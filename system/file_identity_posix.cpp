#include "system/file_identity.h"

#include <sys/stat.h>

std::optional<FileIdentity> identifyFile(const char* name)
{
    struct stat status {};
    if (::stat(name, &status) != 0)
        return std::nullopt;
    return FileIdentity{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
}
