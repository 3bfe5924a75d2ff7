// Averages the files named on the command line and reports on each, in the
// order given: "usredniono NAME" on standard output for a bitmap written,
// one line on standard error for a file that failed.
#pragma once

#include <string>
#include <vector>

// Returns whether every file succeeded. Files that cannot keep the cores busy
// on their own (small pictures, codecs without threads) are read several at
// a time: the one reported next and at most one more per core. What is
// printed, and in which order, is what reading them one after the other
// prints; on a terminal each message appears as soon as its file and every
// file before it are done.
bool averageFiles(const std::vector<const char*>& inputs);

// One line on standard error about a file, however its name is made.
void report(const char* file, const std::string& reason);
