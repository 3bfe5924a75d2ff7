#include "app/progress_line.h"

#include "system/terminal.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::chrono::milliseconds redrawInterval{100};

// The line starts where the cursor is, after any messages that ended without
// a line break; redraws go back there (the terminal keeps the position) and
// clear to the end of the screen, also what a long line wrapped onto.
constexpr const char* savePosition = "\0337";
constexpr const char* backAndClear = "\0338\033[J";

// Where the terminal takes no escape sequences (an older Windows console),
// the line is redrawn from the start of the line instead, and what a
// shorter line leaves of a longer one is overwritten with spaces.
constexpr const char* backToLineStart = "\r";

}  // namespace

ProgressLine::ProgressLine(std::string fileName, std::int64_t frames, const std::atomic<bool>& showProgress)
    : fileName_(std::move(fileName)),
      escapes_(errorTerminalTakesEscapes()),
      frames_(frames),
      nextDrawAt_((start_ + redrawInterval).time_since_epoch().count()),
      showProgress_(showProgress)
{
    if (!showProgress_)
        return;
    std::lock_guard lock(drawing_);
    draw();
}

void ProgressLine::advance(std::int64_t frames)
{
    done_ += frames;
    if (!showProgress_)
        return;
    const std::int64_t now = Clock::now().time_since_epoch().count();
    std::int64_t due = nextDrawAt_.load();
    if (now < due || !nextDrawAt_.compare_exchange_strong(due, now + Clock::duration(redrawInterval).count()))
        return;
    std::lock_guard lock(drawing_);
    if (!erased_)
        draw();
}

void ProgressLine::erase()
{
    std::lock_guard lock(drawing_);
    if (erased_)
        return;
    erased_ = true;
    if (!drawn_)
        return;
    if (escapes_)
        std::fputs(backAndClear, stderr);
    else
        std::fputs((std::string(backToLineStart) + std::string(longest_, ' ') + backToLineStart).c_str(), stderr);
}

void ProgressLine::draw()
{
    if (!drawn_ && escapes_)
        std::fputs(savePosition, stderr);
    drawn_ = true;
    const std::int64_t done = done_.load();
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const double perSecond = seconds > 0 ? double(done) / seconds : 0;
    const int percent = frames_ > 0 ? int(100 * done / frames_) : 100;
    // One write per redraw: standard error is unbuffered.
    std::string line = fileName_ + ": " + std::to_string(done) + "/" + std::to_string(frames_) +
                       " frames (" + std::to_string(percent) + "%)";
    if (done > 0 && perSecond > 0) {
        const auto left = (long long)(double(frames_ - done) / perSecond + 0.5);
        char rate[64];
        std::snprintf(rate, sizeof rate, ", %.0f fps, %lld:%02lld left", perSecond, left / 60, left % 60);
        line += rate;
    }
    if (escapes_) {
        std::fputs((backAndClear + line).c_str(), stderr);
        return;
    }
    const std::size_t length = line.size();
    line.resize(std::max(length, longest_), ' ');
    longest_ = std::max(length, longest_);
    std::fputs((backToLineStart + line).c_str(), stderr);
}
