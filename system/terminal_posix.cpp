#include "system/terminal.h"

#include <sys/stat.h>
#include <unistd.h>

bool outputIsTerminal() { return ::isatty(STDOUT_FILENO); }

bool errorIsTerminal() { return ::isatty(STDERR_FILENO); }

bool outputAndErrorShareTerminal()
{
    struct stat out {};
    struct stat err {};
    return ::isatty(STDOUT_FILENO) && ::isatty(STDERR_FILENO) && ::fstat(STDOUT_FILENO, &out) == 0 &&
           ::fstat(STDERR_FILENO, &err) == 0 && out.st_rdev == err.st_rdev;
}
