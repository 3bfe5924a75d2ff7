#include "app/reporter.h"

#include "app/quote_name.h"
#include "system/standard_streams.h"
#include "system/terminal.h"

#include <cstring>

bool Reporter::written(const std::string& input, const std::string& output, const GreyImage& image)
{
    // No line break: the messages of several files follow each other.
    writeOutput("usredniono " + output);
    if (outputIsTerminal())
        flushOutput();
    announcementEndsLine_ = outputAndErrorShareTerminal();
    if (int error = saveBmp(image, output.c_str())) {
        failed(input, "cannot write " + quoteName(output) + ": " + std::strerror(error));
        return false;
    }
    return true;
}

void Reporter::failed(const std::string& file, const std::string& reason)
{
    tell("aviavg: " + quoteName(file) + ": " + reason);
}

void Reporter::tell(const std::string& line)
{
    // Where both streams go to one file or pipe, the line follows the
    // messages before it; on a terminal, it starts a line of its own.
    flushOutput();
    writeError((announcementEndsLine_ ? "\n" : "") + line + "\n");
    announcementEndsLine_ = false;
}
