#include "system/remove_file_on_signal.h"

#include <cerrno>
#include <csignal>
#include <cstring>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr int cleanedUpSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The file to remove, kept where a handler may read it: a handler may call
// neither the allocator nor anything that takes a lock.
char pendingFile[4096];
volatile std::sig_atomic_t havePendingFile = 0;

// The signal mask a SignalsHeldBack found, to be put back.
thread_local sigset_t maskBeforeHolding;

extern "C" void removePendingFileAndDie(int signal)
{
    if (havePendingFile)
        ::unlink(pendingFile);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void removeTemporaryFilesOnSignals()
{
    for (int signal : cleanedUpSignals) {
        struct sigaction action {};
        struct sigaction previous {};
        action.sa_handler = removePendingFileAndDie;
        sigemptyset(&action.sa_mask);
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

SignalsHeldBack::SignalsHeldBack()
{
    sigset_t held;
    sigemptyset(&held);
    for (int signal : cleanedUpSignals)
        sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &maskBeforeHolding);
}

SignalsHeldBack::~SignalsHeldBack() { ::pthread_sigmask(SIG_SETMASK, &maskBeforeHolding, nullptr); }

int removeFileOnSignal(const std::string& name)
{
    if (name.size() >= sizeof pendingFile)
        return ENAMETOOLONG;
    havePendingFile = 0;  // a handler on another thread reads no half-copied name
    std::memcpy(pendingFile, name.c_str(), name.size() + 1);
    havePendingFile = 1;
    return 0;
}

void dontRemoveFileOnSignal() { havePendingFile = 0; }
