// The size every picture of a video must have: the first frame's, since
// pictures of different sizes have no per-pixel average. Pictures come from
// several threads in any order; whatever the order, the failure recorded is
// the one at the first frame whose size differs from the first frame's.
#pragma once

#include "video/earliest_failure.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

struct PictureSize {
    std::int32_t height;
    std::int32_t width;
    bool operator==(const PictureSize&) const = default;
};

class PictureSizes {
public:
    // Takes the size of the picture at a frame position, from any thread.
    // Returns whether the picture may be averaged: not once any two pictures
    // have differed, which makes the file fail (the failure goes to
    // `failure`).
    bool accept(std::int64_t position, PictureSize size, EarliestFailure& failure);

    // The size of the earliest picture taken, none before the first.
    std::optional<PictureSize> size() const;

private:
    mutable std::mutex mutex_;
    // The earliest picture taken so far: its position and size.
    std::int64_t position_ = 0;
    std::optional<PictureSize> size_;
    bool differed_ = false;
};
