#include "tests/support/child_process.h"

#include <cstdlib>

bool forkAvailable() { return false; }

ChildProcess::ChildProcess(const std::function<int()>&, std::uint64_t) { std::abort(); }

void ChildProcess::signal(int) const {}

ChildEnd ChildProcess::wait() const { return {}; }

void setFileModeMask(unsigned) {}
