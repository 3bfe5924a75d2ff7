// A line on standard error that shows how far the averaging of a file has
// got: name, frames done of all (of about all, or only those done, as far as
// the container states a count), percent, frames per second and time left.
// It is drawn while `showProgress` says so (the file is the one reported next),
// redrawn in place, from where the cursor was when it was first drawn, at
// most ten times a second, by whichever thread has just added frames, and
// erased when the file is done.
#pragma once

#include "system/status_line.h"
#include "video/frame_count.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

class ProgressLine {
public:
    // Draws the line at once, with no frames done, if it is to be shown.
    ProgressLine(std::string fileName, FrameCount frames, const std::atomic<bool>& showProgress);
    ~ProgressLine() { erase(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Counts frames as done, from any thread.
    void advance(std::int64_t frames);

    // Takes the line off the terminal; nothing is drawn after it.
    void erase();

private:
    void draw();

    using Clock = std::chrono::steady_clock;
    const std::string fileName_;
    const FrameCount frames_;
    const Clock::time_point start_ = Clock::now();
    std::atomic<std::int64_t> done_ = 0;
    std::atomic<std::int64_t> nextDrawAt_;  // in Clock ticks
    const std::atomic<bool>& showProgress_;
    std::mutex drawing_;
    StatusLine line_;
    bool erased_ = false;
};
