#include "system/remove_file_on_signal.h"

#include "system/windows/system_path.h"

#include <mutex>

#include <windows.h>

namespace {

// The file to remove. The console handler runs on a thread of its own; it
// keeps the lock until the process ends, so that no rename follows its
// removal.
std::mutex pending;
std::wstring pendingFile;

BOOL WINAPI removePendingFile(DWORD)
{
    pending.lock();
    if (!pendingFile.empty())
        ::DeleteFileW(pendingFile.c_str());
    return FALSE;  // the next handler, in the end the system's, ends the process
}

}  // namespace

void removeTemporaryFilesOnSignals() { ::SetConsoleCtrlHandler(removePendingFile, TRUE); }

SignalsHeldBack::SignalsHeldBack() { pending.lock(); }

SignalsHeldBack::~SignalsHeldBack() { pending.unlock(); }

void removeFileOnSignal(const std::string& name)
{
    pendingFile = systemPath(name);
}

void dontRemoveFileOnSignal() { pendingFile.clear(); }
