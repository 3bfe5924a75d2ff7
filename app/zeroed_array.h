// An array of zeros that comes zeroed from the system. calloc hands out fresh
// pages (newly mapped, or the heap's untouched top) as they are, with no pass
// that writes zeros over them; the system makes each page when it is first
// touched. For sums that cover every pixel of a large picture, that pass
// would cost as much as adding a frame.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

template <typename T>
class ZeroedArray {
    static_assert(std::is_trivial_v<T>, "zero bytes must make a valid T");

public:
    using value_type = T;

    ZeroedArray() = default;
    explicit ZeroedArray(std::size_t size) : data_(static_cast<T*>(std::calloc(size, sizeof(T)))), size_(size)
    {
        if (!data_ && size > 0)
            throw std::bad_alloc();
    }

    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    struct Free {
        void operator()(T* data) const { std::free(data); }
    };
    std::unique_ptr<T[], Free> data_;
    std::size_t size_ = 0;
};
