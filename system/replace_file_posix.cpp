#include "system/replace_file.h"

#include "system/remove_file_on_signal.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes all bytes, resuming after interruptions and partial writes.
bool writeAll(int fd, const std::uint8_t* bytes, std::size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = EIO;
            return false;
        }
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

// The permissions a newly created file gets (mkstemp makes its files private).
mode_t newFileMode()
{
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

int replaceFile(const char* name, const std::vector<std::uint8_t>& bytes)
{
    std::string temporary = std::string(name) + ".XXXXXX";
    int fd;
    {
        SignalsHeldBack held;
        fd = ::mkstemp(temporary.data());
        if (fd < 0)
            return errno;
        if (int error = removeFileOnSignal(temporary)) {
            ::close(fd);
            ::unlink(temporary.c_str());
            return error;
        }
    }

    bool written = writeAll(fd, bytes.data(), bytes.size()) && ::fchmod(fd, newFileMode()) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }

    SignalsHeldBack held;
    dontRemoveFileOnSignal();
    if (written && ::rename(temporary.c_str(), name) == 0)
        return 0;
    if (written)
        error = errno;
    ::unlink(temporary.c_str());
    return error;
}
