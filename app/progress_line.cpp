#include "app/progress_line.h"

#include <cstdio>

namespace {

constexpr std::chrono::milliseconds redrawInterval{100};

}  // namespace

ProgressLine::ProgressLine(std::string fileName, FrameCount frames, const std::atomic<bool>& showProgress)
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
    std::string line = fileName_ + ": " + std::to_string(done);
    // A count reckoned from the duration may fall short of the frames.
    const std::int64_t all = frames_.frames;
    if (all > 0) {
        const int percent = done < all ? int(100 * done / all) : frames_.approximate ? 99 : 100;
        line += (frames_.approximate ? "/~" : "/") + std::to_string(all) + " frames (" + std::to_string(percent) + "%)";
    } else {
        line += " frames";
    }
    if (done > 0 && perSecond > 0) {
        char rate[64];
        std::snprintf(rate, sizeof rate, ", %.0f fps", perSecond);
        line += rate;
        if (all > done) {
            const auto left = (long long)(double(all - done) / perSecond + 0.5);
            std::snprintf(rate, sizeof rate, ", %lld:%02lld left", left / 60, left % 60);
            line += rate;
        }
    }
    line_.draw(line);
}
