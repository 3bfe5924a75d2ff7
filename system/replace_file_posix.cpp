#include "system/replace_file.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <signal.h>
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

constexpr int cleanedUpSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The temporary file being written, for the signal handler to remove.
char pendingFile[4096];
volatile std::sig_atomic_t havePendingFile = 0;

extern "C" void removePendingFileAndDie(int signal)
{
    if (havePendingFile)
        ::unlink(pendingFile);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Holds the cleaned-up signals back while the pending file and its record
// change together.
class SignalsHeldBack {
public:
    SignalsHeldBack()
    {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : cleanedUpSignals)
            sigaddset(&held, signal);
        ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeldBack() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
};

}  // namespace

void removeTemporaryFilesOnSignals()
{
    for (int signal : cleanedUpSignals) {
        struct sigaction action {};
        struct sigaction previous {};
        action.sa_handler = removePendingFileAndDie;
        sigemptyset(&action.sa_mask);
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

int replaceFile(const char* name, const std::vector<std::uint8_t>& bytes)
{

    std::string temporary = std::string(name) + ".XXXXXX";
    if (temporary.size() >= sizeof pendingFile)
        return ENAMETOOLONG;
    int fd;
    {
        SignalsHeldBack held;
        fd = ::mkstemp(temporary.data());
        if (fd < 0)
            return errno;
        std::memcpy(pendingFile, temporary.c_str(), temporary.size() + 1);
        havePendingFile = 1;
    }

    bool written = writeAll(fd, bytes.data(), bytes.size()) && ::fchmod(fd, newFileMode()) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }

    SignalsHeldBack held;
    havePendingFile = 0;
    if (written && ::rename(temporary.c_str(), name) == 0)
        return 0;
    if (written)
        error = errno;
    ::unlink(temporary.c_str());
    return error;
}
