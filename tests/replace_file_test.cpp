#include "system/replace_file.h"
#include "system/remove_file_on_signal.h"
#include "tests/support/child_process.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <thread>

namespace {

std::vector<std::uint8_t> someBytes(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t(i * 7 + size);
    return bytes;
}

// The bytes, handed over in pieces of an odd size.
ContentsWriter inPieces(std::vector<std::uint8_t> bytes)
{
    return [bytes = std::move(bytes)](const auto& write) {
        for (std::size_t at = 0; at < bytes.size(); at += 4099)
            write(bytes.data() + at, std::min<std::size_t>(4099, bytes.size() - at));
    };
}

}  // namespace

TEST(ReplaceFile, ReplacesAnEarlierFileWhole)
{
    ScratchDirectory directory;
    const std::string target = (directory / "outS.bmp").string();
    setFileModeMask(022);
    ASSERT_EQ(replaceFile(target, inPieces(someBytes(3'000'000))), 0);  // written a megabyte at a time
    EXPECT_EQ(readFile(target), someBytes(3'000'000));
    ASSERT_EQ(replaceFile(target, inPieces(someBytes(5))), 0);
    EXPECT_EQ(readFile(target), someBytes(5));
    EXPECT_EQ(filesIn(directory.path()).size(), 1u);  // no temporary file left
    if (forkAvailable()) {  // where there are POSIX permissions
        EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0644));
    }
    EXPECT_EQ(replaceFile((directory / "missing" / "outS.bmp").string(), inPieces(someBytes(5))), ENOENT);
}

TEST(ReplaceFile, AFailedWriteLeavesTheEarlierFileAndNoPartialOne)
{
    if (!forkAvailable())
        GTEST_SKIP() << noForkReason;
    ScratchDirectory directory;
    const std::string target = (directory / "outS.bmp").string();
    ASSERT_EQ(replaceFile(target, inPieces(someBytes(100))), 0);

    // A child process whose files may not grow past 2000 bytes: the write
    // fails part way.
    const ChildProcess child([&] { return replaceFile(target, inPieces(someBytes(10000))); }, 2000);
    EXPECT_EQ(child.wait().exitStatus, EFBIG);
    EXPECT_EQ(readFile(target), someBytes(100));
    EXPECT_EQ(filesIn(directory.path()).size(), 1u);
}

TEST(ReplaceFile, ASignalDuringTheWriteRemovesTheTemporaryFile)
{
    if (!forkAvailable())
        GTEST_SKIP() << noForkReason;
    ScratchDirectory directory;
    const std::string target = (directory / "outS.bmp").string();
    const std::vector<std::uint8_t> contents = someBytes(16'000'000);
    ASSERT_EQ(replaceFile(target, inPieces(contents)), 0);

    for (int signal : {SIGTERM, SIGINT}) {
        // The child writes the same file again and again until the signal
        // comes, which is sent while a temporary file is there.
        const ChildProcess child([&] {
            removeTemporaryFilesOnSignals();
            for (;;)
                replaceFile(target, inPieces(contents));
            return 0;
        });
        while (filesIn(directory.path()).size() < 2)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        child.signal(signal);
        EXPECT_EQ(child.wait().signal, signal) << signal;
        EXPECT_EQ(filesIn(directory.path()).size(), 1u) << signal;
        EXPECT_EQ(readFile(target), contents);
    }
}
