#include "app/adding_thread.h"

#include <cstddef>

AddingThread::AddingThread(PixelAccumulator& sums) : sums_(sums)
{
    thread_ = std::jthread([this] {
        try {
            while (std::optional<Copy> copy = waiting_.pop()) {
                const BluePlane blue(copy->blue.get(), 1, sums_.width(), sums_.width(), sums_.height());
                sums_.add(blue, copy->repeats);
            }
        } catch (...) {
            failure_ = std::current_exception();
            waiting_.close();
        }
    });
}

AddingThread::~AddingThread()
{
    waiting_.close();
}

void AddingThread::add(const BlueRows& blue, std::uint64_t repeats)
{
    const auto width = std::size_t(blue.width());
    Copy copy{std::make_unique_for_overwrite<std::uint8_t[]>(width * std::size_t(blue.height())), repeats};
    for (std::int32_t r = 0; r < blue.height(); ++r) {
        std::uint8_t* target = copy.blue.get() + std::size_t(r) * width;
        // A row that is computed is computed straight into the copy.
        const BlueRow row = blue.row(r, target);
        if (row.bytes != target)
            for (std::size_t j = 0; j < width; ++j)
                target[j] = row.bytes[std::ptrdiff_t(j) * row.step];
    }
    waiting_.push(std::move(copy));
}

void AddingThread::finish()
{
    waiting_.close();
    if (thread_.joinable())
        thread_.join();
    if (failure_)
        std::rethrow_exception(failure_);
}
