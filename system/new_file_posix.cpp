#include "system/new_file.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

int createNewFile(const std::string& name, FileHandle& file)
{
    // 0666 less the umask, as creat(2) would make it.
    const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (descriptor < 0)
        return errno;
    file = descriptor;
    return 0;
}

int writeAll(FileHandle file, const std::vector<std::uint8_t>& bytes)
{
    const std::uint8_t* next = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(int(file), next, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        next += written;
        left -= std::size_t(written);
    }
    return 0;
}

int closeFile(FileHandle file) { return ::close(int(file)) == 0 ? 0 : errno; }

int renameOver(const std::string& from, const std::string& to)
{
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void removeFile(const std::string& name) { ::unlink(name.c_str()); }
