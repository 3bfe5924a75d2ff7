#include "app/average_files.h"

#include "app/average_video.h"
#include "app/output_name.h"
#include "app/quote_name.h"
#include "system/file_identity.h"
#include "system/terminal.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

// Whether the last "usredniono" message, which ends without a line break,
// stands on a terminal that standard error shares.
bool messageEndsLine = false;

// Whether two names lead to one file (also through "./", links or a
// directory named twice).
bool sameFile(const char* first, const char* second)
{
    const std::optional<FileIdentity> a = identifyFile(first);
    return a && a == identifyFile(second);
}

// Tells the main thread that a file's reading has ended.
struct Ends {
    std::mutex mutex;
    std::condition_variable ended;
    std::size_t count = 0;

    void tell()
    {
        std::lock_guard lock(mutex);
        ++count;
        ended.notify_one();
    }
};

// A file being read on a thread of its own.
struct Reading {
    const char* input;
    std::shared_future<bool> fillsCores;  // known once the file is open
    std::atomic<bool> done = false;       // whether its reading has ended
    std::atomic<bool> reportedNext = false;  // its progress line is drawn while set
    std::string failure;
    // None when there is a failure to report. Last, so that it is destroyed
    // first: its destructor waits for the thread, which writes `failure`.
    std::future<std::optional<GreyImage>> image;
};

// A file that is not read: only its failure is reported, in its turn.
std::unique_ptr<Reading> refuse(const char* input, std::string failure)
{
    auto reading = std::make_unique<Reading>();
    reading->input = input;
    reading->fillsCores = std::async(std::launch::deferred, [] { return false; }).share();
    reading->done = true;
    reading->failure = std::move(failure);
    reading->image = std::async(std::launch::deferred, [] { return std::optional<GreyImage>(); });
    return reading;
}

// With a progress line, the reading's flag says when it is this file's turn;
// the first file's turn is at once.
std::unique_ptr<Reading> startReading(const char* input, bool showProgress, bool reportedNext, Ends& ends)
{
    auto reading = std::make_unique<Reading>();
    reading->input = input;
    reading->reportedNext = reportedNext;
    auto opened = std::make_shared<std::promise<bool>>();
    reading->fillsCores = opened->get_future().share();
    Reading* self = reading.get();
    const std::atomic<bool>* progress = showProgress ? &reading->reportedNext : nullptr;
    reading->image = std::async(std::launch::async, [self, opened, progress, &ends]() -> std::optional<GreyImage> {
        bool told = false;
        auto tell = [&](bool fills) {
            opened->set_value(fills);
            told = true;
        };
        std::optional<GreyImage> image;
        try {
            image.emplace(averageVideo(self->input, std::thread::hardware_concurrency(), progress, tell));
        } catch (const std::bad_alloc&) {
            self->failure = "out of memory";
        } catch (const std::runtime_error& failure) {
            self->failure = failure.what();
        }
        if (!told)
            opened->set_value(false);
        self->done = true;
        ends.tell();
        return image;
    });
    return reading;
}

// Whether reading a file before the bitmaps of the files ahead of it are
// written could end otherwise than reading it after them: its name, or the
// file it leads to, is or may become one of those bitmaps, or it writes one.
bool dependsOnEarlierBitmaps(const char* input, const std::string& output,
                             const std::deque<std::unique_ptr<Reading>>& reading)
{
    const std::optional<FileIdentity> in = identifyFile(input);
    if (!in)
        return true;  // it may come to be
    const std::optional<FileIdentity> out = identifyFile(output.c_str());
    for (const std::unique_ptr<Reading>& earlier : reading) {
        const std::string bitmap = outputName(earlier->input);
        const std::optional<FileIdentity> written = identifyFile(bitmap.c_str());
        if (bitmap == input || bitmap == output || (written && (written == in || written == out)))
            return true;
    }
    return false;
}

// Reports a file's outcome and writes its bitmap.
bool finish(Reading& reading)
{
    const std::optional<GreyImage> image = reading.image.get();
    if (!image) {
        report(reading.input, reading.failure);
        return false;
    }
    const std::string output = outputName(reading.input);
    // No line break: the messages of several files follow each other.
    std::printf("usredniono %s", output.c_str());
    if (outputIsTerminal())
        std::fflush(stdout);
    messageEndsLine = outputAndErrorShareTerminal();
    if (int error = saveBmp(*image, output.c_str())) {
        report(reading.input, "cannot write " + quoteName(output) + ": " + std::strerror(error));
        return false;
    }
    return true;
}

// Whether a file being read keeps the cores busy.
bool coresFilled(const std::deque<std::unique_ptr<Reading>>& reading)
{
    return std::any_of(reading.begin(), reading.end(),
                       [](const std::unique_ptr<Reading>& file) { return !file->done && file->fillsCores.get(); });
}

std::size_t beingRead(const std::deque<std::unique_ptr<Reading>>& reading)
{
    return std::size_t(std::count_if(reading.begin(), reading.end(),
                                     [](const std::unique_ptr<Reading>& file) { return !file->done; }));
}

}  // namespace

void report(const char* file, const std::string& reason)
{
    // Where both streams go to one file or pipe, the line follows the
    // messages before it; on a terminal, it starts a line of its own.
    std::fflush(stdout);
    if (messageEndsLine)
        std::fputc('\n', stderr);
    messageEndsLine = false;
    std::fprintf(stderr, "aviavg: %s: %s\n", quoteName(file).c_str(), reason.c_str());
}

bool averageFiles(const std::vector<const char*>& inputs)
{
    // Files read at once: the file reported next, and one more per core.
    // Files read and not yet reported keep only their bitmaps, as many more.
    const std::size_t most = std::max(std::thread::hardware_concurrency(), 1u) + 1;
    const bool terminal = errorIsTerminal();
    bool succeeded = true;
    Ends ends;
    std::deque<std::unique_ptr<Reading>> reading;  // in the order given
    std::size_t next = 0;
    while (next < inputs.size() || !reading.empty()) {
        std::size_t endsSeen = 0;
        {
            std::lock_guard lock(ends.mutex);
            endsSeen = ends.count;
        }
        // Another file starts while every file being read leaves cores idle,
        // unless the bitmaps still to come could change what it reads.
        for (; next < inputs.size(); ++next) {
            const char* input = inputs[next];
            const std::string output = outputName(input);
            if (!reading.empty() && (reading.size() >= 2 * most || beingRead(reading) >= most ||
                                     coresFilled(reading) || dependsOnEarlierBitmaps(input, output, reading)))
                break;
            if (output == input || sameFile(input, output.c_str()))
                reading.push_back(refuse(
                    input, "the output name " + quoteName(output) + " is the input's own; not overwriting it"));
            else
                reading.push_back(startReading(input, terminal, reading.empty(), ends));
        }
        Reading& front = *reading.front();
        front.reportedNext = true;
        // Until the file reported next is done, a file that ends elsewhere
        // may let another start.
        if (!front.done && next < inputs.size()) {
            std::unique_lock lock(ends.mutex);
            ends.ended.wait(lock, [&] { return ends.count != endsSeen; });
            continue;
        }
        succeeded &= finish(front);
        reading.pop_front();
    }
    return succeeded;
}
