// aviavg FILE...
// For each video file, writes the per-pixel mean of all its frames, with each
// pixel's largest value left out once, as a greyscale bitmap named from the
// input ("clip.avi" gives "clipS.bmp"), and prints "usredniono" with that name.

#include "app/average_files.h"
#include "system/allocator.h"
#include "system/arguments.h"
#include "system/remove_file_on_signal.h"
#include "system/standard_streams.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    tuneAllocator();
    writeStandardStreamsAsBytes();
    removeTemporaryFilesOnSignals();

    const std::vector<std::string> arguments = commandLineArguments(argc, argv);
    std::vector<const char*> inputs;
    for (const std::string& argument : arguments)
        inputs.push_back(argument.c_str());
    const bool succeeded = averageFiles(inputs);
    if (std::fflush(stdout) != 0) {
        report("standard output", std::strerror(errno));
        return 1;
    }
    return succeeded ? 0 : 1;
}
