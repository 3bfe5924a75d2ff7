// aviavg FILE...
// For each video file, writes the per-pixel mean of all its frames, with each
// pixel's largest value left out once, as a greyscale bitmap named from the
// input ("clip.avi" gives "clipS.bmp"), and prints "usredniono" with that name.

#include "app/average_files.h"
#include "app/own_window.h"
#include "app/reporter.h"
#include "system/allocator.h"
#include "system/arguments.h"
#include "system/remove_file_on_signal.h"
#include "system/standard_streams.h"
#include "system/terminal.h"

#include <cstring>

int main(int argc, char* argv[])
{
    tuneAllocator();
    setUpStandardStreams();
    removeTemporaryFilesOnSignals();

    const std::vector<std::string> files = commandLineArguments(argc, argv);
    Reporter reporter;
    bool succeeded = averageFiles(files, reporter);
    if (int error = flushOutput()) {
        reporter.failed("standard output", std::strerror(error));
        succeeded = false;
    }
    const ConsoleUse console{processesOnConsole(), inputIsTerminal(), outputIsTerminal(), errorIsTerminal()};
    sayFarewell(farewellFor(console, files.size()), reporter);
    return succeeded ? 0 : 1;
}
