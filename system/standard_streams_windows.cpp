#include "system/standard_streams.h"

#include "system/windows/wide_text.h"
#include "system/windows/windows_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

// The consoles that standard output and standard error are, or null where
// they are files or pipes.
HANDLE outputConsole = nullptr;
HANDLE errorConsole = nullptr;
// A failed write that a later flush, with nothing left to write, would not
// tell of.
int outputFailure = 0;

HANDLE consoleOf(DWORD stream)
{
    HANDLE handle = ::GetStdHandle(stream);
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) ? handle : nullptr;
}

// Returns 0, or the errno value of the failure.
int writeToConsole(HANDLE console, std::string_view text)
{
    const std::wstring wide = wideFromUtf8(text);
    // A console may take less than it is given at once.
    for (std::size_t done = 0; done < wide.size();) {
        DWORD written = 0;
        const DWORD now = DWORD(std::min<std::size_t>(wide.size() - done, 1 << 14));
        if (!::WriteConsoleW(console, wide.data() + done, now, &written, nullptr) || written == 0)
            return lastErrorAsErrno();
        done += written;
    }
    return 0;
}

}  // namespace

void setUpStandardStreams()
{
    // A "\n" stays one byte: the C library would write "\r\n" to files and
    // pipes.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
    // The C library's fwrite gives standard error a buffer of its own where
    // it is a file: a line would then come after later messages.
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    outputConsole = consoleOf(STD_OUTPUT_HANDLE);
    errorConsole = consoleOf(STD_ERROR_HANDLE);
}

void writeOutput(std::string_view text)
{
    int error = 0;
    if (outputConsole)
        error = writeToConsole(outputConsole, text);
    else if (std::fwrite(text.data(), 1, text.size(), stdout) < text.size())
        error = errno;
    if (outputFailure == 0)
        outputFailure = error;
}

void writeError(std::string_view text)
{
    if (errorConsole)
        writeToConsole(errorConsole, text);
    else
        std::fwrite(text.data(), 1, text.size(), stderr);
}

int flushOutput() { return std::fflush(stdout) != 0 ? errno : outputFailure; }
