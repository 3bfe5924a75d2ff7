#include "system/file_identity.h"

#include <sys/stat.h>

namespace {

std::optional<FileIdentity> identity(const struct stat& status)
{
    return FileIdentity{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
}

}  // namespace

std::optional<FileIdentity> identifyFile(const char* name)
{
    struct stat status {};
    if (::stat(name, &status) != 0)
        return std::nullopt;
    return identity(status);
}

std::optional<FileIdentity> identifyName(const char* name)
{
    struct stat status {};
    if (::lstat(name, &status) != 0)
        return std::nullopt;
    return identity(status);
}
