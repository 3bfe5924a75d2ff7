// A function run in a child process, for tests of what happens to a process:
// a limit on the size of its files, a signal that ends it. Windows has no
// fork: there forkAvailable() is false, and such tests are skipped.
#pragma once

#include <cstdint>
#include <functional>

bool forkAvailable();
constexpr const char* noForkReason = "Windows has no fork, no file size limit, no umask and no signals to send";

struct ChildEnd {
    int exitStatus = -1;  // -1 when it did not exit
    int signal = 0;       // the signal that ended it, 0 when none did
};

class ChildProcess {
public:
    // Runs `body` in a child whose files may not grow past `fileSizeLimit`
    // bytes (0: no limit); the child exits with what `body` returns.
    explicit ChildProcess(const std::function<int()>& body, std::uint64_t fileSizeLimit = 0);
    void signal(int number) const;
    ChildEnd wait() const;

private:
    int id_ = -1;
};

// Sets the mask of permissions new files do not get, as umask(2).
void setFileModeMask(unsigned mask);
