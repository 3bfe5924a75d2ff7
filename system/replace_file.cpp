#include "system/replace_file.h"

#include "system/new_file.h"
#include "system/remove_file_on_signal.h"

#include <cerrno>
#include <chrono>
#include <random>
#include <string>
#include <vector>

namespace {

// Pieces are gathered into writes of about this size: few system calls, and
// little memory.
constexpr std::size_t writeSize = std::size_t(1) << 20;

// Makes a new file beside `name`, named after it with "." and six random
// letters or digits, as mkstemp(3) names its files, trying other letters
// while a name is taken.
int createFileBeside(const std::string& name, std::string& temporary, FileHandle& file)
{
    // The clock as well, for a C++ runtime whose random_device is not random.
    thread_local std::mt19937 random(std::random_device{}() ^
                                     unsigned(std::chrono::steady_clock::now().time_since_epoch().count()));
    constexpr char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = name + ".";
        for (int i = 0; i < 6; ++i)
            temporary += letters[random() % (sizeof letters - 1)];
        if (int error = createNewFile(temporary, file); error != EEXIST)
            return error;
    }
    return EEXIST;
}

// Writes the pieces the contents make into the file, gathered.
int writeContents(FileHandle file, const ContentsWriter& contents)
{
    int error = 0;
    std::vector<std::uint8_t> gathered;
    gathered.reserve(writeSize);
    contents([&](const std::uint8_t* bytes, std::size_t size) {
        gathered.insert(gathered.end(), bytes, bytes + size);
        if (gathered.size() >= writeSize && !error) {
            error = writeAll(file, gathered);
            gathered.clear();
        }
    });
    return error ? error : writeAll(file, gathered);
}

}  // namespace

int replaceFile(const std::string& name, const ContentsWriter& contents)
{
    std::string temporary;
    FileHandle file = -1;
    {
        // A signal finds either no temporary file, or one it knows to remove.
        SignalsHeldBack held;
        if (int failure = createFileBeside(name, temporary, file))
            return failure;
        removeFileOnSignal(temporary);
    }
    int error = writeContents(file, contents);
    if (int closing = closeFile(file); !error)
        error = closing;

    // Held back to the end: a signal either comes first, and no rename follows
    // its removal of the file, or waits until the file is renamed or removed.
    SignalsHeldBack held;
    dontRemoveFileOnSignal();
    if (!error && (error = renameOver(temporary, name)) == 0)
        return 0;
    removeFile(temporary);
    return error;
}
