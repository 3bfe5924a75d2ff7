#include "system/standard_streams.h"

#include <cerrno>
#include <cstdio>

namespace {

// A failed write that a later flush, with nothing left to write, would not
// tell of.
int outputFailure = 0;

}  // namespace

// POSIX streams pass bytes as they are.
void setUpStandardStreams() {}

void writeOutput(std::string_view text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) < text.size() && outputFailure == 0)
        outputFailure = errno;
}

void writeError(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); }

int flushOutput() { return std::fflush(stdout) != 0 ? errno : outputFailure; }
