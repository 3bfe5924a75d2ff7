#include "system/file_identity.h"

#include <sys/stat.h>

namespace {

std::optional<FileIdentity> identity(const struct stat& status)
{
    return FileIdentity{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino)};
}

}  // namespace

std::optional<FileIdentity> identifyFile(const std::string& name)
{
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0)
        return std::nullopt;
    return identity(status);
}

std::optional<FileIdentity> identifyName(const std::string& name)
{
    struct stat status {};
    if (::lstat(name.c_str(), &status) != 0)
        return std::nullopt;
    return identity(status);
}
