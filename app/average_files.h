// Averages the files named on the command line and has each reported, in the
// order given.
#pragma once

#include "app/reporter.h"

#include <string>
#include <vector>

// Returns whether every file succeeded. Files that cannot keep the cores busy
// on their own (small pictures, codecs without threads) are read several at
// a time: the one reported next and at most one more per core. What is
// reported, and in which order, is what reading them one after the other
// reports; on a terminal each message appears as soon as its file and every
// file before it are done.
bool averageFiles(const std::vector<std::string>& inputs, Reporter& reporter);
