// The command line's arguments, the program's name left out, as UTF-8.
#pragma once

#include <string>
#include <vector>

// On POSIX systems they are argv's bytes as they are. On Windows they are
// read as UTF-16, so that any name works, not only those of the ANSI code
// page, and wildcards (`*.avi`, `clip?.avi`) are expanded to the names of
// the files they match, as a POSIX shell would have done.
std::vector<std::string> commandLineArguments(int argc, char* argv[]);
