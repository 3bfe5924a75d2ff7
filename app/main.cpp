// aviavg FILE...
// For each video file, writes the per-pixel mean of all its frames, with each
// pixel's largest value left out once, as a greyscale bitmap named from the
// input ("clip.avi" gives "clipS.bmp"), and prints "usredniono" with that name.

#include "app/average_files.h"
#include "app/reporter.h"
#include "system/allocator.h"
#include "system/arguments.h"
#include "system/remove_file_on_signal.h"
#include "system/standard_streams.h"

#include <cstring>

int main(int argc, char* argv[])
{
    tuneAllocator();
    setUpStandardStreams();
    removeTemporaryFilesOnSignals();

    Reporter reporter;
    const bool succeeded = averageFiles(commandLineArguments(argc, argv), reporter);
    if (int error = flushOutput()) {
        reporter.failed("standard output", std::strerror(error));
        return 1;
    }
    return succeeded ? 0 : 1;
}
