// The 8-bit greyscale BMP layout:
//   0  BITMAPFILEHEADER (14 bytes)
//  14  BITMAPINFOHEADER (40 bytes)
//  54  palette, 256 entries of blue, green, red, 0 with entry i = grey level i
// 1078 the rows, row 0 first (the bottom of the picture), each padded with
//      zero bytes to a multiple of four
#include "grey_image.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t fileHeaderSize = 14;
constexpr std::uint32_t infoHeaderSize = 40;
constexpr std::uint32_t paletteSize = 256 * 4;
constexpr std::uint32_t pixelOffset = fileHeaderSize + infoHeaderSize + paletteSize;
constexpr std::uint32_t pixelsPerMetre = 2835;  // 72 dots per inch

void putU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    putU16(out, std::uint16_t(value));
    putU16(out, std::uint16_t(value >> 16));
}

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

void removePartialBitmapsOnSignals()
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

std::vector<std::uint8_t> encodeBmp(const GreyImage& image)
{
    const std::uint32_t width = std::uint32_t(image.width);
    const std::uint32_t height = std::uint32_t(image.height);
    const std::uint32_t padding = -width & 3;
    const std::uint32_t pixelBytes = (width + padding) * height;

    std::vector<std::uint8_t> out;
    out.reserve(pixelOffset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    putU32(out, pixelOffset + pixelBytes);
    putU16(out, 0);
    putU16(out, 0);
    putU32(out, pixelOffset);

    putU32(out, infoHeaderSize);
    putU32(out, std::uint32_t(image.width));
    putU32(out, std::uint32_t(image.height));
    putU16(out, 1);  // planes
    putU16(out, 8);  // bits per pixel
    putU32(out, 0);  // BI_RGB, uncompressed
    putU32(out, pixelBytes);
    putU32(out, pixelsPerMetre);
    putU32(out, pixelsPerMetre);
    putU32(out, 256);  // palette entries used
    putU32(out, 0);    // all of them important

    for (int level = 0; level < 256; ++level)
        out.insert(out.end(), {std::uint8_t(level), std::uint8_t(level), std::uint8_t(level), 0});

    for (std::uint32_t row = 0; row < height; ++row) {
        const std::uint8_t* first = image.data.get() + std::size_t(row) * width;
        out.insert(out.end(), first, first + width);
        out.insert(out.end(), padding, 0);
    }
    return out;
}

int GreyImage::saveBmp(const char* name) const
{
    const std::vector<std::uint8_t> bytes = encodeBmp(*this);

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
