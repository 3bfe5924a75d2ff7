#include "video/earliest_failure.h"

void EarliestFailure::record(std::int64_t position, std::string message)
{
    std::lock_guard lock(recording_);
    if (message_ && position_.load() <= position)
        return;
    position_ = position;
    message_ = std::move(message);
}
