#include "app/average_files.h"

#include "app/bitmap_file.h"
#include "app/output_guard.h"
#include "app/output_name.h"
#include "app/progress_line.h"
#include "app/quote_name.h"
#include "average/average_video.h"
#include "system/file_identity.h"
#include "system/terminal.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

// How many readings of files have ended: each thread that ends one counts it
// and wakes the main thread, which waits for the count to change.
class Ends {
public:
    void tell()
    {
        ++count_;
        count_.notify_one();
    }

    std::size_t count() const { return count_.load(); }

    // Waits until another reading than the `seen` ones has ended.
    void waitForMore(std::size_t seen) const { count_.wait(seen); }

private:
    std::atomic<std::size_t> count_ = 0;
};

// A file named on the command line, from the start until it is reported.
struct File {
    explicit File(std::string name) : input(std::move(name)), output(outputName(input)) {}

    const std::string input;
    const std::string output;
    AverageOptions options;
    // Its progress line, while it is read, drawn while it is the file
    // reported next.
    std::atomic<bool> showProgress = false;
    std::optional<ProgressLine> progress;
    std::shared_future<bool> fillsCores;  // known once the file is open
    std::atomic<bool> done = false;       // whether its reading has ended
    std::string failure;
    // None when there is a failure to report. Last, so that it is destroyed
    // first: its destructor waits for the thread, which writes `failure`.
    std::future<std::optional<GreyImage>> image;
};

using Files = std::deque<std::unique_ptr<File>>;

// A file that is not read: only its failure is reported, in its turn.
void refuse(File& file, std::string failure)
{
    file.fillsCores = std::async(std::launch::deferred, [] { return false; }).share();
    file.done = true;
    file.failure = std::move(failure);
    file.image = std::async(std::launch::deferred, [] { return std::optional<GreyImage>(); });
}

// Reads the file on a thread of its own, which tells `ends` when it is done.
void startReading(File& file, const OutputGuard& guard, Ends& ends)
{
    if (std::optional<std::string> refusal = guard.refusal(file.input, file.output))
        return refuse(file, std::move(*refusal));
    auto opened = std::make_shared<std::promise<bool>>();
    file.fillsCores = opened->get_future().share();
    file.image = std::async(std::launch::async, [&file, opened, &ends]() -> std::optional<GreyImage> {
        bool told = false;
        file.options.opened = [&](bool fills, FrameCount frames) {
            file.progress.emplace(quoteName(file.input), frames, file.showProgress);
            opened->set_value(fills);
            told = true;
        };
        file.options.averaged = [&](std::int64_t frames) { file.progress->advance(frames); };
        std::optional<GreyImage> image;
        try {
            image.emplace(averageVideo(file.input, file.options));
        } catch (const std::bad_alloc&) {
            file.failure = "out of memory";
        } catch (const std::runtime_error& failure) {
            file.failure = failure.what();
        }
        file.progress.reset();  // erased before the file counts as done
        if (!told)
            opened->set_value(false);
        file.done = true;
        ends.tell();
        return image;
    });
}

// Whether reading a file before the bitmaps of the files ahead of it are
// written could end otherwise than reading it after them: its name, or the
// file it leads to, is or may become one of those bitmaps, or it writes one.
bool dependsOnEarlierBitmaps(const File& file, const Files& ahead)
{
    const std::optional<FileIdentity> in = identifyFile(file.input);
    if (!in)
        return true;  // it may come to be
    const std::optional<FileIdentity> out = identifyName(file.output);
    for (const std::unique_ptr<File>& earlier : ahead) {
        const std::optional<FileIdentity> written = identifyName(earlier->output);
        if (earlier->output == file.input || earlier->output == file.output ||
            (written && (written == in || written == out)))
            return true;
    }
    return false;
}

// Whether a file being read keeps the cores busy.
bool coresFilled(const Files& reading)
{
    return std::any_of(reading.begin(), reading.end(),
                       [](const std::unique_ptr<File>& file) { return !file->done && file->fillsCores.get(); });
}

std::size_t beingRead(const Files& reading)
{
    return std::size_t(std::count_if(reading.begin(), reading.end(),
                                     [](const std::unique_ptr<File>& file) { return !file->done; }));
}

// Whether the next file may start while the files ahead of it are read and
// not yet reported. The first always may. Another starts while every file
// being read leaves cores idle, within `most` files being read and as many
// more read and waiting for their turn (holding only their bitmaps), and only
// where the bitmaps still to come cannot change what it reads.
bool mayStart(const File& next, const Files& ahead, std::size_t most)
{
    return ahead.empty() || (ahead.size() < 2 * most && beingRead(ahead) < most && !coresFilled(ahead) &&
                             !dependsOnEarlierBitmaps(next, ahead));
}

// Reports a file in its turn: its failure, or its bitmap, announced and then
// written. The guard is asked again right before the bitmap is written, in
// the order of the command line, since bitmaps written after the file
// started reading count too.
bool report(File& file, OutputGuard& guard, Reporter& reporter)
{
    const std::optional<GreyImage> image = file.image.get();
    std::optional<std::string> refusal;
    if (!image || (refusal = guard.refusal(file.input, file.output))) {
        reporter.failed(file.input, image ? *refusal : file.failure);
        return false;
    }
    reporter.announce(file.output);
    if (int error = saveBmp(*image, file.output)) {
        reporter.failed(file.input, "cannot write " + quoteName(file.output) + ": " + std::strerror(error));
        return false;
    }
    guard.wrote(file.input, file.output);
    return true;
}

}  // namespace

bool averageFiles(const std::vector<std::string>& inputs, Reporter& reporter)
{
    // Files read at once: the file reported next, and one more per core.
    const std::size_t most = std::max(std::thread::hardware_concurrency(), 1u) + 1;
    const bool terminal = errorIsTerminal();
    Files waiting;  // not yet started, in the order given
    for (const std::string& input : inputs)
        waiting.push_back(std::make_unique<File>(input));
    Files reading;  // started and not yet reported, in the order given
    Ends ends;
    OutputGuard guard;
    bool succeeded = true;
    while (!reading.empty() || !waiting.empty()) {
        const std::size_t endsSeen = ends.count();
        while (!waiting.empty() && mayStart(*waiting.front(), reading, most)) {
            waiting.front()->showProgress = terminal && reading.empty();
            startReading(*waiting.front(), guard, ends);
            reading.push_back(std::move(waiting.front()));
            waiting.pop_front();
        }
        File& next = *reading.front();
        next.showProgress = terminal;
        // Until the file reported next is done, a file that ends elsewhere
        // may let another start.
        if (!next.done && !waiting.empty()) {
            ends.waitForMore(endsSeen);
            continue;
        }
        succeeded &= report(next, guard, reporter);
        reading.pop_front();
    }
    return succeeded;
}
