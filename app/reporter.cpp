#include "app/reporter.h"

#include "app/quote_name.h"
#include "system/standard_streams.h"
#include "system/terminal.h"


void Reporter::announce(const std::string& output)
{
    // No line break: the messages of several files follow each other.
    writeOutput("usredniono " + output);
    if (outputIsTerminal())
        flushOutput();
    announcementEndsLine_ = outputAndErrorShareTerminal();
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
