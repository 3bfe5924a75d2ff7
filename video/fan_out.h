// Work spread over threads: the calling thread makes values one after the
// other, and each of the threads takes the next value waiting and works on
// it. A queue of a few places keeps the maker only a little ahead.
#pragma once

#include "video/bounded_queue.h"

#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// Calls work(thread, value) for every value that next() makes, on `threads`
// threads numbered from 0, then done(thread) on each thread once no value is
// left. next() runs on the calling thread, at most `waiting` values ahead,
// and returns none when there are no more. An exception on a thread stops the
// others taking values and is rethrown here once every thread has ended.
template <typename Value, typename Next, typename Work, typename Done>
void fanOut(unsigned threads, std::size_t waiting, Next next, Work work, Done done)
{
    BoundedQueue<Value> queue(waiting);
    std::atomic<bool> stopped = false;
    std::mutex failing;
    std::exception_ptr thrown;
    {
        std::vector<std::jthread> workers;
        typename BoundedQueue<Value>::Closer closer{queue};
        for (unsigned thread = 0; thread < threads; ++thread)
            workers.emplace_back([&, thread] {
                try {
                    while (std::optional<Value> value = queue.pop()) {
                        if (stopped)
                            break;
                        work(thread, *value);
                    }
                    done(thread);
                } catch (...) {
                    std::lock_guard lock(failing);
                    if (!thrown)
                        thrown = std::current_exception();
                    stopped = true;
                    queue.close();
                }
            });
        while (!stopped) {
            std::optional<Value> value = next();
            if (!value)
                break;
            queue.push(std::move(*value));
        }
    }
    if (thrown)
        std::rethrow_exception(thrown);
}
