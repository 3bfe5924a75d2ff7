// How the program's text reaches standard output and standard error. The
// program keeps its text as UTF-8. A file or a pipe gets those bytes as they
// are, on every system (a "\n" stays one byte); a Windows console gets them
// as text, in UTF-16, so that every name shows as it is whatever the
// console's code page.
#pragma once

#include <string_view>

// Call once, at start-up, before anything is written.
void setUpStandardStreams();

// Standard output is held back where it is a file or a pipe, until
// flushOutput or a full buffer sends it on; standard error is not. Text to a
// console goes out at once.
void writeOutput(std::string_view text);
void writeError(std::string_view text);

// Sends on what standard output holds back. Returns 0, or the errno value of
// a failure to write standard output, then or before.
int flushOutput();
