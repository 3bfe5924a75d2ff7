#include "app/progress_line.h"

#include <cstdio>

namespace {

constexpr std::chrono::milliseconds redrawInterval{100};

}  // namespace

ProgressLine::ProgressLine(std::string fileName, std::int64_t frames, const std::atomic<bool>& showProgress)
    : fileName_(std::move(fileName)),
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
    erased_ = true;
    line_.erase();
}

void ProgressLine::draw()
{
    const std::int64_t done = done_.load();
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const double perSecond = seconds > 0 ? double(done) / seconds : 0;
    const int percent = frames_ > 0 ? int(100 * done / frames_) : 100;
    std::string line = fileName_ + ": " + std::to_string(done) + "/" + std::to_string(frames_) +
                       " frames (" + std::to_string(percent) + "%)";
    if (done > 0 && perSecond > 0) {
        const auto left = (long long)(double(frames_ - done) / perSecond + 0.5);
        char rate[64];
        std::snprintf(rate, sizeof rate, ", %.0f fps, %lld:%02lld left", perSecond, left / 60, left % 60);
        line += rate;
    }
    line_.draw(line);
}
