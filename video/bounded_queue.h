// Hands values from one thread to others: at most `capacity` wait at a time,
// so the producer runs only a little ahead of the consumers.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

template <typename T>
class BoundedQueue {
public:
    explicit BoundedQueue(std::size_t capacity) : capacity_(capacity) {}

    // Waits for room; the value is dropped once the queue is closed.
    void push(T value)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting_.size() < capacity_ || closed_; });
        if (closed_)
            return;
        waiting_.push_back(std::move(value));
        changed_.notify_all();
    }

    // Waits for a value; none once the queue is closed and empty.
    std::optional<T> pop()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !waiting_.empty() || closed_; });
        if (waiting_.empty())
            return std::nullopt;
        T value = std::move(waiting_.front());
        waiting_.pop_front();
        changed_.notify_all();
        return value;
    }

    // No more values come; those waiting are still handed out.
    void close()
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }

    // Closes the queue when it goes out of scope, so that consumers waiting
    // on it end whichever way the producer leaves.
    struct Closer {
        BoundedQueue& queue;
        ~Closer() { queue.close(); }
    };

private:
    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<T> waiting_;
    bool closed_ = false;
};
