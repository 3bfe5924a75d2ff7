#include "system/remove_file_on_signal.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <memory>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr int cleanedUpSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The file to remove. A handler may call neither the allocator nor anything
// that takes a lock, and may run on any thread: the name is published whole,
// with release, through one lock-free pointer, and whoever takes the pointer
// out of it owns the name. A handler takes it with acquire and never gives it
// back (the process ends); the thread that replaces or clears it frees the
// name it took, which no handler can then hold.
std::atomic<char*> pendingFile = nullptr;
static_assert(std::atomic<char*>::is_always_lock_free);

void setPendingFile(std::unique_ptr<char[]> name)
{
    const std::unique_ptr<char[]> previous(pendingFile.exchange(name.release(), std::memory_order_acq_rel));
}

// The signal mask a SignalsHeldBack found, to be put back.
thread_local sigset_t maskBeforeHolding;

extern "C" void removePendingFileAndDie(int signal)
{
    if (const char* name = pendingFile.exchange(nullptr, std::memory_order_acquire))
        ::unlink(name);
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

void removeFileOnSignal(const std::string& name)
{
    auto copy = std::make_unique<char[]>(name.size() + 1);
    std::memcpy(copy.get(), name.c_str(), name.size() + 1);
    setPendingFile(std::move(copy));
}

void dontRemoveFileOnSignal() { setPendingFile(nullptr); }
