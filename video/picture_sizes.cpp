#include "video/picture_sizes.h"

#include <string>

namespace {

std::string sizeText(PictureSize size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

}  // namespace

bool PictureSizes::accept(std::int64_t position, PictureSize size, EarliestFailure& failure)
{
    std::pair later(position, size);
    std::lock_guard lock(mutex_);
    if (!size_) {
        position_ = position;
        size_ = later.second;
        return true;
    }
    // Of two pictures, the later must have the earlier's size; the earliest
    // picture taken so far is the one the rest are held against.
    std::pair earlier(position_, *size_);
    if (later.first < earlier.first)
        std::swap(earlier, later);
    position_ = earlier.first;
    size_ = earlier.second;
    if (later.second != earlier.second) {
        differed_ = true;
        failure.record(later.first, "picture size changes from " + sizeText(earlier.second) + " to " +
                                        sizeText(later.second) + " at frame " + std::to_string(later.first));
    }
    return !differed_;
}

std::optional<PictureSize> PictureSizes::size() const
{
    std::lock_guard lock(mutex_);
    return size_;
}
