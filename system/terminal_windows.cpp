#include "system/terminal.h"

#include "system/windows/scoped_handle.h"

#include <cwchar>

#include <windows.h>

#include <tlhelp32.h>

namespace {

bool isConsole(DWORD stream)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(stream), &mode);
}

// Whether no Windows process started this one: under Wine, a Unix shell
// did. Every Windows process has a parent's id other than 0.
bool startedFromUnixShell()
{
    const ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid())
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool fromUnix = false;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        if (entry.th32ProcessID == ::GetCurrentProcessId())
            fromUnix = entry.th32ParentProcessID == 0;
    return fromUnix;
}

}  // namespace

bool inputIsTerminal() { return isConsole(STD_INPUT_HANDLE); }

bool outputIsTerminal() { return isConsole(STD_OUTPUT_HANDLE); }

bool errorIsTerminal() { return isConsole(STD_ERROR_HANDLE); }

// A process has one console at most.
bool outputAndErrorShareTerminal() { return outputIsTerminal() && errorIsTerminal(); }

unsigned processesOnConsole()
{
    // The count comes back whole even where the list does not fit.
    DWORD processes[2];
    const DWORD count = ::GetConsoleProcessList(processes, 2);
    // Wine gives a program started from a Unix shell a console of its own,
    // backed by the shell's terminal: the shell, which Windows does not
    // list, shares it, and it outlives the program.
    return count == 1 && startedFromUnixShell() ? 2 : count;
}

void waitForEnter()
{
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    ::FlushConsoleInputBuffer(input);
    // Enter comes as "\r", at the end of the line typed.
    wchar_t typed[256];
    DWORD got = 0;
    while (::ReadConsoleW(input, typed, 256, &got, nullptr) && got > 0 && !std::wmemchr(typed, L'\r', got))
        continue;
}
