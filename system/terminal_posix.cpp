#include "system/terminal.h"

#include <cstdio>

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

bool inputIsTerminal() { return ::isatty(STDIN_FILENO); }

bool outputIsTerminal() { return ::isatty(STDOUT_FILENO); }

bool errorIsTerminal() { return ::isatty(STDERR_FILENO); }

bool outputAndErrorShareTerminal()
{
    struct stat out {};
    struct stat err {};
    return ::isatty(STDOUT_FILENO) && ::isatty(STDERR_FILENO) && ::fstat(STDOUT_FILENO, &out) == 0 &&
           ::fstat(STDERR_FILENO, &err) == 0 && out.st_rdev == err.st_rdev;
}

unsigned processesOnConsole() { return 0; }

void waitForEnter()
{
    ::tcflush(STDIN_FILENO, TCIFLUSH);
    for (int c = 0; c != EOF && c != '\n';)
        c = std::getchar();
}
