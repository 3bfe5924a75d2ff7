// The failure at the earliest frame position that any of the threads reading
// a file has met. Reading stops there, and it is the one reported, so that
// the outcome does not depend on the number of threads or on their timing.
#pragma once

#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

class EarliestFailure {
public:
    // Keeps the failure if none kept comes before it. From any thread.
    void record(std::int64_t position, std::string message);

    // Whether a failure is kept before the position: what comes at or after
    // it is not worth reading.
    bool before(std::int64_t position) const { return position_.load() < position; }
    bool any() const { return position_.load() != INT64_MAX; }

    // The message of the failure kept; none when none is. After the threads
    // have ended.
    const std::optional<std::string>& message() const { return message_; }

private:
    std::mutex recording_;
    std::optional<std::string> message_;
    std::atomic<std::int64_t> position_ = INT64_MAX;
};
