// A Windows HANDLE that closes itself: files and snapshots are closed on
// every way out, the failing ones too.
#pragma once

#include <windows.h>

#include <utility>

class ScopedHandle {
public:
    // Takes a handle as CreateFileW and its kind return it: INVALID_HANDLE_VALUE
    // is none.
    explicit ScopedHandle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~ScopedHandle()
    {
        if (valid())
            ::CloseHandle(handle_);
    }
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    ScopedHandle& operator=(ScopedHandle other) noexcept
    {
        std::swap(handle_, other.handle_);
        return *this;
    }

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }
    // Gives the handle up, for an owner that closes it itself.
    HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

private:
    HANDLE handle_;
};
