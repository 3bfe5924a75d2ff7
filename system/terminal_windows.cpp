#include "system/terminal.h"

#include <windows.h>

namespace {

bool isConsole(DWORD stream)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(stream), &mode);
}

}  // namespace

bool outputIsTerminal() { return isConsole(STD_OUTPUT_HANDLE); }

bool errorIsTerminal() { return isConsole(STD_ERROR_HANDLE); }

// A process has one console at most.
bool outputAndErrorShareTerminal() { return outputIsTerminal() && errorIsTerminal(); }
