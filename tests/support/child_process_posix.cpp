#include "tests/support/child_process.h"

#include <csignal>
#include <cstdlib>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

bool forkAvailable() { return true; }

ChildProcess::ChildProcess(const std::function<int()>& body, std::uint64_t fileSizeLimit) : id_(::fork())
{
    if (id_ < 0)
        std::abort();
    if (id_ != 0)
        return;
    if (fileSizeLimit != 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ::_exit(body());
}

void ChildProcess::signal(int number) const { ::kill(id_, number); }

ChildEnd ChildProcess::wait() const
{
    int status = 0;
    ::waitpid(id_, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

void setFileModeMask(unsigned mask) { ::umask(mode_t(mask)); }
