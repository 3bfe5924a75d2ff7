// Removes the file being written when the process is ended from outside: by
// SIGINT, SIGTERM or SIGHUP (on Windows: Ctrl-C, Ctrl-Break or closing the
// console), so that no half-written file is left behind. Files are written
// one at a time, so there is one such file at most.
#pragma once

#include <string>

// Installs the handlers, leaving alone signals that are ignored (as under
// nohup). Call once, at start-up.
void removeTemporaryFilesOnSignals();

// While one lives, the handlers wait (on POSIX systems: the signals are held
// back on this thread; on Windows: the console handler, on a thread of its
// own, waits for it), so that a file and the record of it are made and
// removed together: a handler finds both or neither. Not to be nested.
class SignalsHeldBack {
public:
    SignalsHeldBack();
    ~SignalsHeldBack();
    SignalsHeldBack(const SignalsHeldBack&) = delete;
    SignalsHeldBack& operator=(const SignalsHeldBack&) = delete;
};

// Under a SignalsHeldBack: makes the file of the name (UTF-8) the one the
// handlers remove.
void removeFileOnSignal(const std::string& name);
// Under a SignalsHeldBack: the handlers remove no file.
void dontRemoveFileOnSignal();
