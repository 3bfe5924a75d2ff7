// Coded pictures on their way from the demuxer to the decoders of several
// threads: at most `capacity` wait at a time, so the demuxer runs only a
// little ahead of the decoders.
#pragma once

#include "video/demuxer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

class CodedPictureQueue {
public:
    explicit CodedPictureQueue(std::size_t capacity) : capacity_(capacity) {}

    // Waits for room; the picture is dropped once the queue is closed.
    void push(CodedPicture coded)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting_.size() < capacity_ || closed_; });
        if (closed_)
            return;
        waiting_.push_back(std::move(coded));
        changed_.notify_all();
    }

    // Waits for a picture; none once the queue is closed and empty.
    std::optional<CodedPicture> pop()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !waiting_.empty() || closed_; });
        if (waiting_.empty())
            return std::nullopt;
        CodedPicture coded = std::move(waiting_.front());
        waiting_.pop_front();
        changed_.notify_all();
        return coded;
    }

    // No more pictures come; those waiting are still handed out.
    void close()
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<CodedPicture> waiting_;
    bool closed_ = false;
};
