// Adds pictures into sums on a thread of its own, so that the thread that
// reads them can go on feeding a decoder meanwhile. Each picture's blue is
// copied before it is handed over: the decoder gets its picture back at
// once, as it would without this thread, so that the buffers it reuses, and
// with them what it makes of damaged input, do not change.
#pragma once

#include "app/pixel_accumulator.h"
#include "video/bounded_queue.h"
#include "video/blue_plane.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <thread>

class AddingThread {
public:
    explicit AddingThread(PixelAccumulator& sums);
    ~AddingThread();
    AddingThread(const AddingThread&) = delete;
    AddingThread& operator=(const AddingThread&) = delete;

    // Copies the picture's blue and hands it over, shown `repeats` times;
    // waits only while another picture is waiting.
    void add(const BlueRows& blue, std::uint64_t repeats);

    // Waits until every picture handed over is added; throws what adding
    // threw.
    void finish();

private:
    struct Copy {
        std::unique_ptr<std::uint8_t[]> blue;  // bottom row first
        std::uint64_t repeats;
    };

    PixelAccumulator& sums_;
    BoundedQueue<Copy> waiting_{1};
    std::exception_ptr failure_;
    std::jthread thread_;
};
