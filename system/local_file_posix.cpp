#include "system/local_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

LocalFile::LocalFile(std::string name) : name_(std::move(name))
{
    // Without O_NONBLOCK a FIFO would block here until something writes to it.
    const int descriptor = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
        throw std::runtime_error(std::strerror(errno));
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const int error = errno;
        ::close(descriptor);
        throw std::runtime_error(std::strerror(error));
    }
    // The file is read at several offsets (its index, a second demuxer that
    // counts frames), so it must be one that can be read at any offset.
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        throw std::runtime_error(S_ISDIR(status.st_mode) ? std::strerror(EISDIR) : "not a regular file");
    }
    handle_ = descriptor;
}

LocalFile::~LocalFile() { ::close(int(handle_)); }

std::int64_t LocalFile::readAt(void* buffer, std::size_t size, std::int64_t offset) const
{
    ssize_t got;
    do
        got = ::pread(int(handle_), buffer, size, offset);
    while (got < 0 && errno == EINTR);
    return got < 0 ? -errno : got;
}

std::int64_t LocalFile::size() const
{
    struct stat status {};
    return ::fstat(int(handle_), &status) == 0 ? std::int64_t(status.st_size) : -errno;
}

void LocalFile::readAhead(std::int64_t offset, std::int64_t size) const
{
    ::posix_fadvise(int(handle_), offset, size, POSIX_FADV_WILLNEED);
}
