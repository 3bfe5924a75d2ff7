#include "video/local_file.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

LocalFile::LocalFile(std::string name) : name_(std::move(name))
{
    // Without O_NONBLOCK a FIFO would block here until something writes to it.
    descriptor_ = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor_ < 0)
        throw std::runtime_error(std::strerror(errno));
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        const int error = errno;
        ::close(descriptor_);
        throw std::runtime_error(std::strerror(error));
    }
    // The file is read at several offsets (its index, a second demuxer that
    // counts frames), so it must be one that can be read at any offset.
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor_);
        throw std::runtime_error(S_ISDIR(status.st_mode) ? std::strerror(EISDIR) : "not a regular file");
    }
}

LocalFile::~LocalFile() { ::close(descriptor_); }
