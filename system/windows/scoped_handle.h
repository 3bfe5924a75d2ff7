// A Windows HANDLE that closes itself: files and snapshots are closed on
// every way out, the failing ones too.
#pragma once

#include <windows.h>

class ScopedHandle {
public:
    // Takes a handle as CreateFileW and its kind return it: INVALID_HANDLE_VALUE
    // is none.
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle()
    {
        if (valid())
            ::CloseHandle(handle_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};
