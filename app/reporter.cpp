#include "app/reporter.h"

#include "app/quote_name.h"
#include "system/terminal.h"

#include <cstdio>
#include <cstring>

bool Reporter::written(const std::string& input, const std::string& output, const GreyImage& image)
{
    // No line break: the messages of several files follow each other.
    std::printf("usredniono %s", output.c_str());
    if (outputIsTerminal())
        std::fflush(stdout);
    announcementEndsLine_ = outputAndErrorShareTerminal();
    if (int error = saveBmp(image, output.c_str())) {
        failed(input, "cannot write " + quoteName(output) + ": " + std::strerror(error));
        return false;
    }
    return true;
}

void Reporter::failed(const std::string& file, const std::string& reason)
{
    // Where both streams go to one file or pipe, the line follows the
    // messages before it; on a terminal, it starts a line of its own.
    std::fflush(stdout);
    if (announcementEndsLine_)
        std::fputc('\n', stderr);
    announcementEndsLine_ = false;
    std::fprintf(stderr, "aviavg: %s: %s\n", quoteName(file).c_str(), reason.c_str());
}
